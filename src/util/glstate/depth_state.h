#pragma once
// The depth test in force (its switch, depth writes and function), taken from GL and set again.

#include <GL/glew.h>

struct DepthState {
  GLboolean test = GL_FALSE;
  GLboolean writes = GL_TRUE;
  GLint func = GL_LESS;

  static DepthState Current();
  void Apply() const;
};
