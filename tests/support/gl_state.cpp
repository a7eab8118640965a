#include "support/gl_state.h"

#include <GL/glew.h>

#include <fmt/format.h>
#include <fmt/ranges.h>

namespace {

std::vector<double> Integers(GLenum name, int count) {
  std::vector<GLint> raw(static_cast<size_t>(count));
  glGetIntegerv(name, raw.data());
  return {raw.begin(), raw.end()};
}

std::vector<double> Floats(GLenum name, int count) {
  std::vector<GLfloat> raw(static_cast<size_t>(count));
  glGetFloatv(name, raw.data());
  return {raw.begin(), raw.end()};
}

std::vector<double> Booleans(GLenum name, int count) {
  std::vector<GLboolean> raw(static_cast<size_t>(count));
  glGetBooleanv(name, raw.data());
  return {raw.begin(), raw.end()};
}

void AddCapabilities(GLStateSnapshot& snapshot) {
  const std::pair<const char*, GLenum> capabilities[] = {
      {"blend", GL_BLEND},
      {"cull face", GL_CULL_FACE},
      {"depth test", GL_DEPTH_TEST},
      {"stencil test", GL_STENCIL_TEST},
      {"scissor test", GL_SCISSOR_TEST},
      {"polygon offset fill", GL_POLYGON_OFFSET_FILL},
      {"polygon offset line", GL_POLYGON_OFFSET_LINE},
      {"polygon offset point", GL_POLYGON_OFFSET_POINT},
      {"program point size", GL_PROGRAM_POINT_SIZE},
      {"lighting", GL_LIGHTING},
      {"alpha test", GL_ALPHA_TEST},
      {"framebuffer sRGB", GL_FRAMEBUFFER_SRGB},
      {"multisample", GL_MULTISAMPLE},
  };
  for (const auto& [name, capability] : capabilities) {
    snapshot.values[name] = {static_cast<double>(glIsEnabled(capability))};
  }
  for (GLenum plane = 0; plane < 8; ++plane) {
    snapshot.values[fmt::format("clip distance {}", plane)] = {
        static_cast<double>(glIsEnabled(GL_CLIP_DISTANCE0 + plane))};
  }
}

void AddFragmentState(GLStateSnapshot& snapshot) {
  snapshot.values["colour mask"] = Booleans(GL_COLOR_WRITEMASK, 4);
  snapshot.values["depth mask"] = Booleans(GL_DEPTH_WRITEMASK, 1);
  snapshot.values["depth func"] = Integers(GL_DEPTH_FUNC, 1);
  snapshot.values["blend equation"] = {Integers(GL_BLEND_EQUATION_RGB, 1)[0],
                                       Integers(GL_BLEND_EQUATION_ALPHA, 1)[0]};
  snapshot.values["blend functions"] = {
      Integers(GL_BLEND_SRC_RGB, 1)[0], Integers(GL_BLEND_DST_RGB, 1)[0],
      Integers(GL_BLEND_SRC_ALPHA, 1)[0], Integers(GL_BLEND_DST_ALPHA, 1)[0]};
  snapshot.values["stencil func"] = {Integers(GL_STENCIL_FUNC, 1)[0],
                                     Integers(GL_STENCIL_REF, 1)[0]};
  snapshot.values["stencil ops"] = {Integers(GL_STENCIL_FAIL, 1)[0],
                                    Integers(GL_STENCIL_PASS_DEPTH_FAIL, 1)[0],
                                    Integers(GL_STENCIL_PASS_DEPTH_PASS, 1)[0]};
}

void AddGeometryState(GLStateSnapshot& snapshot) {
  snapshot.values["cull face mode"] = Integers(GL_CULL_FACE_MODE, 1);
  snapshot.values["front face"] = Integers(GL_FRONT_FACE, 1);
  snapshot.values["polygon offset"] = {Floats(GL_POLYGON_OFFSET_FACTOR, 1)[0],
                                       Floats(GL_POLYGON_OFFSET_UNITS, 1)[0]};
  snapshot.values["polygon mode"] = Integers(GL_POLYGON_MODE, 2);
  snapshot.values["point size"] = Floats(GL_POINT_SIZE, 1);
  snapshot.values["line width"] = Floats(GL_LINE_WIDTH, 1);
  snapshot.values["viewport"] = Integers(GL_VIEWPORT, 4);
  snapshot.values["scissor box"] = Integers(GL_SCISSOR_BOX, 4);
}

void AddBindings(GLStateSnapshot& snapshot) {
  snapshot.values["vertex array"] = Integers(GL_VERTEX_ARRAY_BINDING, 1);
  snapshot.values["array buffer"] = Integers(GL_ARRAY_BUFFER_BINDING, 1);
  snapshot.values["program"] = Integers(GL_CURRENT_PROGRAM, 1);
  snapshot.values["draw framebuffer"] = Integers(GL_DRAW_FRAMEBUFFER_BINDING, 1);
  snapshot.values["read framebuffer"] = Integers(GL_READ_FRAMEBUFFER_BINDING, 1);
  const std::vector<double> active = Integers(GL_ACTIVE_TEXTURE, 1);
  snapshot.values["active texture"] = active;
  for (GLuint unit = 0; unit < 8; ++unit) {
    glActiveTexture(GL_TEXTURE0 + unit);
    snapshot.values[fmt::format("unit {} textures", unit)] = {
        Integers(GL_TEXTURE_BINDING_2D, 1)[0], Integers(GL_TEXTURE_BINDING_CUBE_MAP, 1)[0],
        Integers(GL_TEXTURE_BINDING_2D_MULTISAMPLE, 1)[0], Integers(GL_SAMPLER_BINDING, 1)[0]};
  }
  glActiveTexture(static_cast<GLenum>(active[0]));
}

}  // namespace

GLStateSnapshot GLStateSnapshot::Take() {
  GLStateSnapshot snapshot;
  AddCapabilities(snapshot);
  AddFragmentState(snapshot);
  AddGeometryState(snapshot);
  AddBindings(snapshot);
  return snapshot;
}

::testing::AssertionResult SameGLState(const GLStateSnapshot& expected,
                                       const GLStateSnapshot& actual) {
  std::string differences;
  for (const auto& [name, value] : expected.values) {
    const auto found = actual.values.find(name);
    const std::vector<double> other = found == actual.values.end() ? std::vector<double>{}
                                                                   : found->second;
    if (other != value) {
      differences += fmt::format("\n  {}: expected {}, got {}", name, value, other);
    }
  }
  if (differences.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "GL state differs:" << differences;
}
