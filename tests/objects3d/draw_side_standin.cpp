// Test stand-in of the draw side of Objects3D (objects3d_draw.cpp with the lights and render
// context), which lands separately: it records the calls the CPU side makes. Delete this file
// (and its header) when objects3d_draw.cpp is in the engine.

#include "draw_side_standin.h"

DrawSideCalls& draw_side_calls() {
  static DrawSideCalls calls;
  return calls;
}

void Objects3D::Prewarm() { ++draw_side_calls().prewarms; }

void Objects3D::SetLightShadowPlanes(const ShadowPlanes& planes) {
  draw_side_calls().planes = planes;
}

void Objects3D::ResizeLights(uint32_t width, uint32_t) { draw_side_calls().resized_width = width; }
