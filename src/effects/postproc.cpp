#include "effects/postproc.h"

#include <utility>

namespace Effects {

PostProc::PostProc(std::string effect_name, UniformFunction uniform_function)
    : name(std::move(effect_name)), uniform_function_(uniform_function) {}

PostProc::~PostProc() = default;

void PostProc::render(uint32_t, uint32_t, double, FBO*) {}

bool PostProc::IsPassThrough() const { return false; }

const FBO& PostProc::DrawnBuffer(const FBO& picture) const { return picture; }

void PostProc::apply(uint32_t width, uint32_t height, double beat) {
  program->Use();
  located_.Upload(*program, uniforms(width, height, beat));
}

std::vector<UniformValue> PostProc::uniforms(uint32_t width, uint32_t height, double beat) const {
  return uniform_function_(param_values, width, height, beat);
}

void PostProc::addParam(const std::string& parameter, float default_value) {
  param_names.push_back(name + parameter);
  param_values.push_back(default_value);
}

std::unique_ptr<ShaderProgram> PostProc::makeProgram(const std::string& folder) {
  const std::string base = "data/effects/postproc/" + folder + "/" + folder;
  return std::make_unique<ShaderProgram>(base + ".vert", base + ".frag");
}

}  // namespace Effects
