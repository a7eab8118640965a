#include "objects3d/mesh.h"

#include <algorithm>

#include "objects3d/primitive.h"
#include "system/log.h"

void Mesh::AddPrimitive(uint32_t index, std::shared_ptr<Primitive> primitive) {
  if (std::find(primitive_indices.begin(), primitive_indices.end(), index) !=
      primitive_indices.end()) {
    ExitMsgFmt(__FILE__, __LINE__, "Tried to add already existing primitive index {} to Mesh {}",
               index, name);
  }
  if (std::find(primitives.begin(), primitives.end(), primitive) != primitives.end()) {
    ExitMsgFmt(__FILE__, __LINE__, "Tried to add already existing primitive to Mesh {}", name);
  }
  primitive_indices.push_back(index);
  primitives.push_back(std::move(primitive));
}
