#pragma once
// A record of the GL state a pass can leave behind, for tests that check a pass puts back what
// it changed (compare a snapshot before with one after) or that a reset reaches a known state.
// Each entry is named so a failure says which piece of state differs.

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

struct GLStateSnapshot {
  // Reads the state of the current context: capabilities, blend, colour and depth writes,
  // faces, polygon offset, stencil, scissor, viewport, clip distances, point size, and the
  // vertex array, buffer, program, framebuffer, texture (2D, cube map, multisample) and
  // sampler bindings of units 0-7.
  static GLStateSnapshot Take();

  std::map<std::string, std::vector<double>> values;
};

// Success when both hold the same values; else the names and values of every entry that differs.
::testing::AssertionResult SameGLState(const GLStateSnapshot& expected,
                                       const GLStateSnapshot& actual);
