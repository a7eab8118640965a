// Costs of the shapes drawn every frame: building the box and the icosphere on the CPU, and
// drawing them with a GL context (the box re-uploads its 24 vertices each call; the
// icosphere draws its cached 3840 vertices).

#include <benchmark/benchmark.h>

#include <memory>

#include <GL/glew.h>

#include "system/hidden_gl_context.h"
#include "util/easydraw/easydraw.h"
#include "util/shaderprogram/shaderconstructor.h"
#include "util/shaderprogram/shaderprogram.h"
#include "util/gpuresources/gpuresources.h"

namespace {

void BM_BuildBox(benchmark::State& state) {
  EasyDrawShapeVertices vertices;
  for (auto _ : state) {
    EasyDraw::BuildBox(vertices, 2, 4, 6);
    benchmark::DoNotOptimize(vertices.positions.data());
  }
}
BENCHMARK(BM_BuildBox);

void BM_BuildIcosphere(benchmark::State& state) {
  EasyDrawShapeVertices vertices;
  for (auto _ : state) {
    EasyDraw::BuildIcosphere(vertices, 1.0f, EasyDraw::kIcosphereDepth);
    benchmark::DoNotOptimize(vertices.positions.data());
  }
}
BENCHMARK(BM_BuildIcosphere);

// A hidden context with the flat 3D preset bound, made once for the GL benchmarks.
bool BindFlatProgram() {
  static std::unique_ptr<HiddenGLContext> context;
  static std::unique_ptr<GpuResources> resources;
  static std::unique_ptr<ShaderProgram> program;
  if (!context) {
    try {
      context = std::make_unique<HiddenGLContext>(64, 64);
    } catch (const std::exception&) {
      return false;
    }
    resources = std::make_unique<GpuResources>();
    program = std::make_unique<ShaderProgram>(MakeFlat3DShader("bench"));
  }
  program->Use();
  return true;
}

void BM_DrawBox(benchmark::State& state) {
  if (!BindFlatProgram()) return state.SkipWithError("no GL display");
  for (auto _ : state) EasyDraw::DrawBox(2, 4, 6);
  glFinish();
}
BENCHMARK(BM_DrawBox);

void BM_DrawCachedIcosphere(benchmark::State& state) {
  if (!BindFlatProgram()) return state.SkipWithError("no GL display");
  EasyDraw::DrawIcosphere(1.0f);
  for (auto _ : state) EasyDraw::DrawIcosphere(1.0f);
  glFinish();
}
BENCHMARK(BM_DrawCachedIcosphere);

}  // namespace
