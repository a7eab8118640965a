#include "util/glstate/blend_state.h"

#include "util/glstate/face_culling.h"

BlendState BlendState::Current() {
  BlendState state;
  glGetBooleanv(GL_BLEND, &state.enabled);
  glGetIntegerv(GL_BLEND_SRC_RGB, &state.factors[0]);
  glGetIntegerv(GL_BLEND_DST_RGB, &state.factors[1]);
  glGetIntegerv(GL_BLEND_SRC_ALPHA, &state.factors[2]);
  glGetIntegerv(GL_BLEND_DST_ALPHA, &state.factors[3]);
  return state;
}

void BlendState::Apply() const {
  SetEnabled(GL_BLEND, enabled);
  glBlendFuncSeparate(static_cast<GLenum>(factors[0]), static_cast<GLenum>(factors[1]),
                      static_cast<GLenum>(factors[2]), static_cast<GLenum>(factors[3]));
}

bool BlendState::Adds() const { return enabled && factors[1] == GL_ONE; }

BlendState BlendState::IntoLayer() const {
  BlendState layer = *this;
  layer.factors[2] = GL_ONE;
  layer.factors[3] = Adds() ? GL_ONE : GL_ONE_MINUS_SRC_ALPHA;
  return layer;
}
