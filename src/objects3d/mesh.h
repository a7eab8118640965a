#pragma once
// A named group of primitives: their indices in the scene's primitive list and shared pointers
// to the same primitives, always in step.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Primitive;

struct Mesh {
  // Appends the index and the primitive; fatal when the mesh already lists either.
  void AddPrimitive(uint32_t index, std::shared_ptr<Primitive> primitive);

  std::string name;
  std::vector<uint32_t> primitive_indices;
  std::vector<std::shared_ptr<Primitive>> primitives;
  uint8_t visible = 1;
  // Default morph weights of the mesh's targets (a node without weights of its own uses them).
  std::vector<float> weights;
};
