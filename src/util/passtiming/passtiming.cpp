#include "util/passtiming/passtiming.h"

#include <GL/glew.h>

namespace {

PassTimer* installed = nullptr;

}  // namespace

void SetPassTimer(PassTimer* timer) { installed = timer; }

TimedPass::TimedPass(const char* name) : name_(name) {
  if (!installed) return;
  glFinish();
  installed->Begin(name_);
}

TimedPass::~TimedPass() {
  if (!installed) return;
  glFinish();
  installed->End();
}
