#pragma once
// The one hidden GL context of a benchmark run, with the shared GPU resources every GL module
// draws through. Made on first use at the given size; nullptr when there is no display.

#include <cstdint>

class HiddenGLContext;

HiddenGLContext* BenchGLContext(uint32_t width, uint32_t height);
