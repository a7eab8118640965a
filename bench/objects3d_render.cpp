// The cost of a 3D frame at 1280 x 720: a stage of 200 primitives with one shadow-casting point
// light, glow and depth of field. Counters give frames per second and, as multiples of one bare
// full-screen copy measured in the same run, the whole frame and its parts: the six shadow
// faces alone, the shadowed main pass (ambient and additive light, faces excluded), the plain
// unshadowed pass for comparison, and glow plus depth of field with their composites. The
// linear-light frame (clear plus the display-encoding resolve of a fully covered picture) is
// timed alone too, single-sampled and with 4 samples, as the median of copies timed in turn.

#include <benchmark/benchmark.h>

#include <GL/glew.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "support/bench_context.h"
#include "objects3d/linear_light_frame.h"
#include "objects3d/material.h"
#include "objects3d/objects3d.h"
#include "objects3d/objects3d_draw.h"
#include "objects3d/procedural.h"
#include "system/hidden_gl_context.h"
#include "util/camera/camera.h"
#include "util/data/data.h"
#include "util/easydraw/easydraw.h"
#include "util/fbo/fbo.h"
#include "util/gpuresources/gpuresources.h"
#include "util/light/light.h"
#include "util/shaderprogram/shaderprogram.h"

namespace {

constexpr int32_t kWidth = 1280;
constexpr int32_t kHeight = 720;
constexpr int kPrimitives = 200;

HiddenGLContext* Context() { return BenchGLContext(kWidth, kHeight); }

// A floor and 199 cubes and spheres in a grid, every tenth one glowing, lit from above.
std::unique_ptr<Objects3D> MakeStage() {
  auto stage = std::make_unique<Objects3D>();
  stage->AddMasterNode();
  auto floor_material = MakeMaterial();
  floor_material->roughness = 0.8f;
  Node& floor = stage->AddPrimitive(MakePlane(30, 30, 4), floor_material, nullptr);
  floor.instances[0] = glm::translate(glm::mat4(1.0f), {0, -0.5f, 0});
  for (int i = 1; i < kPrimitives; ++i) {
    auto material = MakeMaterial();
    material->base_color = glm::vec4(0.3f + 0.7f * (i % 3) / 2.0f, 0.5f, 0.3f + 0.1f * (i % 7), 1);
    material->metallic = (i % 4) / 3.0f;
    material->roughness = 0.2f + 0.2f * (i % 5);
    if (i % 10 == 0) material->emissive = {1.0f, 0.6f, 0.2f};
    auto shape = i % 2 ? MakeCube(glm::vec3(0.8f), glm::vec3(1.0f)) : MakeIcosahedron();
    Node& node = stage->AddPrimitive(shape, material, nullptr);
    const float x = static_cast<float>(i % 20) - 9.5f;
    const float z = static_cast<float>(i / 20) * 1.5f - 7.0f;
    node.instances[0] = glm::scale(glm::translate(glm::mat4(1.0f), {x, 0.2f, z}), glm::vec3(0.4f));
  }
  Camera& camera = *stage->AddCamera();
  camera.LookAt(0, 9, 16, 0, 0, 0, 0, 1, 0);
  camera.SetNearFar(0.5f, 60.0f);
  Light& light = *stage->AddLight();
  light.position = {0, 6, 0, 1};
  light.intensity = 120.0f;
  light.shadow_near = 0.1f;
  light.shadow_far = 40.0f;
  light.projection = CubeFaceProjection(light.shadow_near, light.shadow_far);
  stage->glow_enabled = 1;
  stage->dof_enabled = 1;
  stage->shadows_enabled = 1;
  stage->Resize(kWidth, kHeight, static_cast<float>(kWidth) / kHeight);
  return stage;
}

// Draws the source's picture over the whole bound target through the copy program.
void DrawPicture(ShaderProgram& copy, const FBO& source) {
  copy.Use();
  const int32_t projection = copy.GetUniformLocation("ProjectionMatrix");
  glUniformMatrix4fv(projection, 1, GL_FALSE, GpuResources::UnitSquareProjection().data());
  glBindTexture(GL_TEXTURE_2D, source.color_textures[0]->id);
  EasyDraw::DrawQuad(0, 0, 1, 1);
  glBindTexture(GL_TEXTURE_2D, 0);
}

template <typename F>
double Seconds(F work) {
  glFinish();
  const auto start = std::chrono::steady_clock::now();
  work();
  glFinish();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_Objects3DStage(benchmark::State& state) {
  if (!Context()) {
    state.SkipWithError("no GL context");
    return;
  }
  data_mode = DataMode::Disk;
  auto stage = MakeStage();
  FBO target(kWidth, kHeight, FBOType::Color, 0);
  FBO copy_source(kWidth, kHeight, FBOType::Color, 0);
  ShaderProgram copy(MakeTextured2DShader("bench copy"));
  const auto bare_copy = [&] { DrawPicture(copy, copy_source); };
  const auto frame = [&](bool shadows, bool extras) {
    stage->shadows_enabled = shadows;
    stage->glow_enabled = extras;
    stage->dof_enabled = extras;
    stage->Draw();
  };
  target.Bind();
  frame(true, true);  // compiles the variants and makes the targets and the shadow map
  double copy_s = 0, full_s = 0, shadowed_s = 0, plain_s = 0, faces_s = 0;
  for (auto _ : state) {
    copy_s += Seconds(bare_copy);
    full_s += Seconds([&] { frame(true, true); });
    shadowed_s += Seconds([&] { frame(true, false); });
    plain_s += Seconds([&] { frame(false, false); });
    faces_s += Seconds([&] { RenderShadowFaces(*stage, stage->data.lights[0]); });
  }
  target.Unbind();
  state.counters["frames_per_second"] = static_cast<double>(state.iterations()) / full_s;
  state.counters["frame_vs_copy"] = full_s / copy_s;
  state.counters["shadow_faces_vs_copy"] = faces_s / copy_s;
  state.counters["shadowed_main_vs_copy"] = (shadowed_s - faces_s) / copy_s;
  state.counters["plain_main_vs_copy"] = plain_s / copy_s;
  state.counters["glow_dof_vs_copy"] = (full_s - shadowed_s) / copy_s;
  state.counters["bare_copy_ms"] = copy_s * 1000.0 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Objects3DStage)->Unit(benchmark::kMillisecond)->Iterations(5);

// The six faces of the 2048-square cube map alone, per light, drawn again every time (the light
// moves a little between draws, as a light of a show does): argument 0 every primitive into every
// face, 1 each only into the faces its bounds reach; 2 nothing to draw, clears alone.
void BM_ShadowFacesAlone(benchmark::State& state) {
  if (!Context()) {
    state.SkipWithError("no GL context");
    return;
  }
  data_mode = DataMode::Disk;
  auto stage = MakeStage();
  stage->shadow_face_culling = state.range(0) != 0;
  if (state.range(0) == 2) stage->GetMasterNode().enabled = 0;
  Light& light = *stage->data.lights[0];
  RenderShadowFaces(*stage, stage->data.lights[0]);
  int32_t step = 0;
  for (auto _ : state) {
    light.position.x = 0.001f * static_cast<float>(++step % 2);
    RenderShadowFaces(*stage, stage->data.lights[0]);
    glFinish();
  }
}
BENCHMARK(BM_ShadowFacesAlone)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(5);

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// The linear-light frame's own cost (argument: samples of the target): made, cleared, filled
// everywhere and display-encoded onto the target; counter "vs_bare_copy" is the median frame
// over the median copy, the two timed in turn so that a busy machine slows both alike;
// "reading_depth_vs_copy" the same with the frame's depth read though the target takes none.
void BM_LinearFrameResolve(benchmark::State& state) {
  if (!Context()) return state.SkipWithError("no GL context");
  data_mode = DataMode::Disk;
  auto stage = MakeStage();
  const auto samples = static_cast<int32_t>(state.range(0));
  FBO target(kWidth, kHeight, FBOType::Color, samples);
  FBO copy_source(kWidth, kHeight, FBOType::Color, 0);
  ShaderProgram copy(MakeTextured2DShader("bench copy"));
  const auto bare_copy = [&] { DrawPicture(copy, copy_source); };
  const auto linear_frame = [&] {
    LinearLightFrame frame(*stage, kWidth, kHeight);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);  // every pixel covered, as under a floor that fills the view
    frame.Resolve();
  };
  target.Bind();
  linear_frame();  // makes the frame's target and the resolve program
  // The target's depth test is off, as under the glow: the frame's depth is read only with the
  // resolve told to read it always.
  glDisable(GL_DEPTH_TEST);
  std::vector<double> copies, frames, reading_depth;
  for (auto _ : state) {
    copies.push_back(Seconds(bare_copy));
    frames.push_back(Seconds(linear_frame));
    stage->resolve_reads_depth_only_when_written = 0;
    reading_depth.push_back(Seconds(linear_frame));
    stage->resolve_reads_depth_only_when_written = 1;
  }
  target.Unbind();
  state.counters["vs_bare_copy"] = Median(frames) / Median(copies);
  state.counters["reading_depth_vs_copy"] = Median(reading_depth) / Median(copies);
  state.counters["bare_copy_ms"] = Median(copies) * 1000.0;
}
BENCHMARK(BM_LinearFrameResolve)->Arg(0)->Arg(4)->Unit(benchmark::kMillisecond)->Iterations(15);

// The half-size glow laid into a fully covered 4-sample linear-light frame over the whole
// target, two ways: blended into every sample of the frame before the resolve, or added by the
// resolve as it reads each sample. Counters are the median frame (clear, glow, resolve) over
// the median bare copy, the three timed in turn.
void BM_LinearFrameGlow(benchmark::State& state) {
  if (!Context()) return state.SkipWithError("no GL context");
  data_mode = DataMode::Disk;
  auto stage = MakeStage();
  FBO target(kWidth, kHeight, FBOType::Color, 4);
  FBO copy_source(kWidth, kHeight, FBOType::Color, 0);
  FBO glow(kWidth / 2, kHeight / 2, FBOType::Color, 0);
  glClearColor(0.1f, 0.05f, 0.0f, 0.0f);
  glow.Bind();
  glow.Unbind();
  ShaderProgram copy(MakeTextured2DShader("bench copy"));
  const auto linear_frame = [&](bool in_resolve) {
    LinearLightFrame frame(*stage, kWidth, kHeight);
    glClearColor(0.25f, 0.5f, 0.75f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    if (in_resolve) {
      frame.AddOnResolve(*glow.color_textures[0], {0, 0, kWidth, kHeight});
    } else {
      glEnable(GL_BLEND);
      glBlendFuncSeparate(GL_ONE, GL_ONE, GL_ZERO, GL_ONE);
      DrawPicture(copy, glow);
      glDisable(GL_BLEND);
    }
    frame.Resolve();
  };
  target.Bind();
  linear_frame(false);
  linear_frame(true);
  std::vector<double> copies, blended, in_resolve;
  for (auto _ : state) {
    copies.push_back(Seconds([&] { DrawPicture(copy, copy_source); }));
    blended.push_back(Seconds([&] { linear_frame(false); }));
    in_resolve.push_back(Seconds([&] { linear_frame(true); }));
  }
  target.Unbind();
  state.counters["blended_vs_copy"] = Median(blended) / Median(copies);
  state.counters["in_resolve_vs_copy"] = Median(in_resolve) / Median(copies);
}
BENCHMARK(BM_LinearFrameGlow)->Unit(benchmark::kMillisecond)->Iterations(15);

}  // namespace
