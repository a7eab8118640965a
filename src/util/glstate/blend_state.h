#pragma once
// The blending in force (its switch and its factors), taken from GL and set again.

#include <array>

#include <GL/glew.h>

struct BlendState {
  GLboolean enabled = GL_FALSE;
  // Source and destination factors, colour then alpha.
  std::array<GLint, 4> factors{GL_ONE, GL_ZERO, GL_ONE, GL_ZERO};

  static BlendState Current();
  void Apply() const;
  // Whether a draw adds to what is there (GL_ONE as the colour's destination factor).
  bool Adds() const;
  // For drawing into a layer that is laid onto the target later with its colour premultiplied:
  // the colour's factors as they are, alpha summed as coverage (one, one minus source alpha; or
  // one, one where the draw adds). Blending off stays off.
  BlendState IntoLayer() const;
};
