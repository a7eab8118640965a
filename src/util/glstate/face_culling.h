#pragma once
// Face culling for the length of a pass, and the caller's culling put back when it ends.

#include <GL/glew.h>

// Enables or disables a GL capability from a saved flag.
void SetEnabled(GLenum capability, GLboolean on);

// Culls `culled` (GL_FRONT or GL_BACK), or nothing for GL_NONE, while it lives; the caller's
// culling switch and side are restored when it goes.
class FaceCullingScope {
 public:
  explicit FaceCullingScope(GLenum culled);
  ~FaceCullingScope();
  FaceCullingScope(const FaceCullingScope&) = delete;
  FaceCullingScope& operator=(const FaceCullingScope&) = delete;

 private:
  GLboolean enabled_ = GL_FALSE;
  GLint mode_ = GL_BACK;
};
