#pragma once
// One GL vertex-array object with up to 28 float attributes addressed by their VertexAttrib
// location, an optional 32-bit index list and optional per-instance data. Data is uploaded as
// soon as it is handed over; the vertex layout is specified again only when a count changed.
// Draw picks plain, indexed or instanced drawing by what was set.

#include <GL/glew.h>
#include <array>
#include <cstdint>
#include <vector>

#include "util/shaderprogram/vertexattrib.h"

// One attribute slot; slot i feeds location i (and the following ones for a matrix).
struct EasyDrawAttribute {
  const float* data = nullptr;  // the caller's floats, read only during the call passing them
  uint32_t components = 0;      // floats per element, 1-4
  uint32_t count = 0;           // floats in the array
  GLuint buffer = 0;            // 0 until the slot is first set
  uint32_t divisor = 0;         // 0 per vertex, 1 per instance
  uint32_t locations = 1;       // consecutive locations spanned: 4 for the instance matrix
};

constexpr uint32_t kEasyDrawSlots = VertexAttribMax;
using EasyDrawSlots = std::array<EasyDrawAttribute, kEasyDrawSlots>;

// One glVertexAttribPointer call of a layout.
struct VertexPointerPlan {
  uint32_t slot = 0;
  uint32_t location = 0;
  uint32_t components = 0;
  uint32_t stride_bytes = 0;
  uint32_t offset_bytes = 0;
  uint32_t divisor = 0;
};

// The layout of the slots in use and the counts it implies.
struct VertexLayoutPlan {
  uint32_t vertex_count = 0;
  uint32_t instance_count = 0;
  bool instanced = false;  // some slot is per instance
  std::vector<VertexPointerPlan> pointers;
};

// Works out the layout of every slot that has a buffer; disagreeing counts are fatal.
VertexLayoutPlan PlanVertexLayout(const EasyDrawSlots& slots);

class EasyDrawCustom {
 public:
  EasyDrawCustom() = default;
  ~EasyDrawCustom();
  EasyDrawCustom(const EasyDrawCustom&) = delete;
  EasyDrawCustom& operator=(const EasyDrawCustom&) = delete;

  void SetAttribute(uint32_t slot, uint32_t components, uint32_t count, const float* data,
                    uint32_t divisor);
  // Stops feeding the slot: its buffer is deleted and its locations are turned off at the next
  // draw, so per-instance data a draw no longer uses cannot disagree with the new counts.
  void ClearAttribute(uint32_t slot);
  void SetIndices(uint32_t count, const uint32_t* data);
  // count is in floats, 16 per column-major matrix; the matrices feed locations 8-11.
  void SetInstanceMatrices(uint32_t count, const float* data);
  void Draw(GLenum mode);

  uint32_t VertexCount() const { return vertex_count_; }
  uint32_t InstanceCount() const { return instance_count_; }
  const EasyDrawSlots& Slots() const { return slots_; }

 private:
  void Upload(EasyDrawAttribute& slot, uint32_t count, const float* data);
  void SpecifyLayout();

  bool dirty_ = true;
  uint32_t vertex_count_ = 0;
  uint32_t instance_count_ = 0;
  bool instanced_ = false;
  GLuint vertex_array_ = 0;
  EasyDrawSlots slots_{};
  std::vector<uint32_t> cleared_locations_;  // to turn off at the next layout
  const uint32_t* index_data_ = nullptr;
  uint32_t index_count_ = 0;
  uint32_t max_index_ = 0;  // largest index handed to SetIndices
  GLuint element_buffer_ = 0;
};
