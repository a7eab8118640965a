#include "util/glstate/depth_state.h"

#include "util/glstate/face_culling.h"

DepthState DepthState::Current() {
  DepthState state;
  glGetBooleanv(GL_DEPTH_TEST, &state.test);
  glGetBooleanv(GL_DEPTH_WRITEMASK, &state.writes);
  glGetIntegerv(GL_DEPTH_FUNC, &state.func);
  return state;
}

void DepthState::Apply() const {
  SetEnabled(GL_DEPTH_TEST, test);
  glDepthMask(writes);
  glDepthFunc(static_cast<GLenum>(func));
}
