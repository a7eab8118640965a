#include "support/main_pass_states.h"

#include <algorithm>
#include <string_view>

DrawState CurrentDrawState() {
  GLint source = 0, destination = 0, samples = 0;
  GLboolean depth_writes = GL_FALSE;
  glGetIntegerv(GL_BLEND_SRC_RGB, &source);
  glGetIntegerv(GL_BLEND_DST_RGB, &destination);
  glGetIntegerv(GL_SAMPLES, &samples);
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_writes);
  return {glIsEnabled(GL_MULTISAMPLE), glIsEnabled(GL_BLEND), source, destination,
          glIsEnabled(GL_DEPTH_TEST), depth_writes, glIsEnabled(GL_TEXTURE_CUBE_MAP_SEAMLESS),
          samples};
}

void MainPassStates::Begin(const char* name) {
  const bool in_markers = std::find(open_.begin(), open_.end(), "markers") != open_.end();
  if (std::string_view(name) == "main" && !in_markers) seen.insert(CurrentDrawState());
  open_.emplace_back(name);
}

void MainPassStates::End() {
  if (!open_.empty()) open_.pop_back();
}
