#include "util/glstate/face_culling.h"

void SetEnabled(GLenum capability, GLboolean on) {
  if (on) {
    glEnable(capability);
  } else {
    glDisable(capability);
  }
}

FaceCullingScope::FaceCullingScope(GLenum culled) {
  glGetBooleanv(GL_CULL_FACE, &enabled_);
  glGetIntegerv(GL_CULL_FACE_MODE, &mode_);
  SetEnabled(GL_CULL_FACE, culled != GL_NONE);
  if (culled != GL_NONE) glCullFace(culled);
}

FaceCullingScope::~FaceCullingScope() {
  SetEnabled(GL_CULL_FACE, enabled_);
  glCullFace(static_cast<GLenum>(mode_));
}
