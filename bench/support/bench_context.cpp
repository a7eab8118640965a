#include "bench_context.h"

#include <exception>
#include <memory>

#include "system/hidden_gl_context.h"
#include "util/gpuresources/gpuresources.h"

namespace {

// Destroyed at exit in reverse order: the resources before the context they live in.
std::unique_ptr<HiddenGLContext> context;
std::unique_ptr<GpuResources> resources;

}  // namespace

HiddenGLContext* BenchGLContext(uint32_t width, uint32_t height) {
  if (!context) {
    try {
      context = std::make_unique<HiddenGLContext>(width, height);
    } catch (const std::exception&) {
      return nullptr;
    }
    resources = std::make_unique<GpuResources>();
  }
  return context.get();
}
