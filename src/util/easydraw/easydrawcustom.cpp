#include "util/easydraw/easydrawcustom.h"

#include <algorithm>

#include "system/log.h"
#include "util/shaderprogram/vertexattrib.h"

namespace {

constexpr uint32_t kFloatBytes = sizeof(float);
constexpr uint32_t kMatrixFloats = 16;

void Check(bool condition, uint32_t line) {
  if (!condition) ExitMsg(__FILE__, line, "Assert failed");
}

GLuint GenerateBuffer() {
  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  Check(buffer != 0, __LINE__);
  return buffer;
}

// Adds the pointers of one slot and folds its element count into the plan's counts.
void PlanSlot(uint32_t index, const EasyDrawAttribute& slot, bool& have_vertices,
              VertexLayoutPlan& plan) {
  if (slot.divisor != 0) {
    const uint32_t instances = slot.count / (slot.locations * slot.components);
    if (!plan.instanced) {
      plan.instanced = true;
      plan.instance_count = instances;
    }
    Check(plan.instance_count == instances, __LINE__);
  } else {
    const uint32_t vertices = slot.count / slot.components;
    if (!have_vertices) {
      have_vertices = true;
      plan.vertex_count = vertices;
    }
    if (plan.vertex_count != vertices) {
      ExitMsgFmt(__FILE__, __LINE__, "Count {} does not match att.count {} / att.stride {}",
                 plan.vertex_count, slot.count, slot.components);
    }
  }
  // Per-vertex slots are tightly packed (stride 0); per-instance slots step over all their
  // locations at once.
  const uint32_t stride = slot.components * slot.locations * slot.divisor * kFloatBytes;
  for (uint32_t l = 0; l < slot.locations; ++l) {
    plan.pointers.push_back({index, index + l, slot.components, stride,
                             l * slot.components * kFloatBytes, slot.divisor});
  }
}

}  // namespace

VertexLayoutPlan PlanVertexLayout(const EasyDrawSlots& slots) {
  VertexLayoutPlan plan;
  bool have_vertices = false;
  for (uint32_t i = 0; i < kEasyDrawSlots; ++i) {
    if (slots[i].buffer != 0) PlanSlot(i, slots[i], have_vertices, plan);
  }
  return plan;
}

EasyDrawCustom::~EasyDrawCustom() {
  for (const EasyDrawAttribute& slot : slots_) {
    if (slot.buffer != 0) glDeleteBuffers(1, &slot.buffer);
  }
  if (element_buffer_ != 0) glDeleteBuffers(1, &element_buffer_);
  if (vertex_array_ != 0) glDeleteVertexArrays(1, &vertex_array_);
}

void EasyDrawCustom::Upload(EasyDrawAttribute& slot, uint32_t count, const float* data) {
  if (slot.count != count) dirty_ = true;
  slot.count = count;
  slot.data = data;
  if (slot.buffer == 0) slot.buffer = GenerateBuffer();
  glBindBuffer(GL_ARRAY_BUFFER, slot.buffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(count) * kFloatBytes, data,
               GL_DYNAMIC_DRAW);
  glBindBuffer(GL_ARRAY_BUFFER, 0);
}

void EasyDrawCustom::SetAttribute(uint32_t slot, uint32_t components, uint32_t count,
                                  const float* data, uint32_t divisor) {
  // The component range is checked first: the layout divides by it.
  Check(slot < kEasyDrawSlots, __LINE__);
  Check(components >= 1 && components <= 4, __LINE__);
  Check(count % components == 0, __LINE__);
  EasyDrawAttribute& attribute = slots_[slot];
  // A changed element shape changes the layout as much as a changed count does.
  if (attribute.components != components || attribute.divisor != divisor) dirty_ = true;
  attribute.components = components;
  attribute.divisor = divisor;
  Upload(attribute, count, data);
}

void EasyDrawCustom::ClearAttribute(uint32_t slot) {
  Check(slot < kEasyDrawSlots, __LINE__);
  EasyDrawAttribute& attribute = slots_[slot];
  if (attribute.buffer == 0) return;
  glDeleteBuffers(1, &attribute.buffer);
  for (uint32_t l = 0; l < attribute.locations; ++l) cleared_locations_.push_back(slot + l);
  attribute = EasyDrawAttribute{};
  dirty_ = true;
}

void EasyDrawCustom::SetIndices(uint32_t count, const uint32_t* data) {
  // The indices are read here, once: Draw checks the largest against the vertex count, since
  // an index past the vertex buffers makes the driver read beyond them.
  Check(count == 0 || data != nullptr, __LINE__);
  max_index_ = count == 0 ? 0 : *std::max_element(data, data + count);
  if (index_count_ != count) dirty_ = true;
  index_count_ = count;
  index_data_ = data;
  if (element_buffer_ == 0) element_buffer_ = GenerateBuffer();
  // The element-array binding belongs to whichever vertex array is bound, possibly a caller's;
  // uploading there would take that array's indices away. The copy-write target is no part of
  // any vertex array. The buffer joins this object's array when the layout is specified.
  glBindBuffer(GL_COPY_WRITE_BUFFER, element_buffer_);
  glBufferData(GL_COPY_WRITE_BUFFER, static_cast<GLsizeiptr>(count) * sizeof(uint32_t), data,
               GL_STATIC_DRAW);
  glBindBuffer(GL_COPY_WRITE_BUFFER, 0);
}

void EasyDrawCustom::SetInstanceMatrices(uint32_t count, const float* data) {
  Check(count % kMatrixFloats == 0, __LINE__);
  EasyDrawAttribute& matrix = slots_[VertexAttribMatrix];
  if (matrix.locations != 4 || matrix.divisor != 1) dirty_ = true;
  matrix.components = 4;
  matrix.locations = 4;
  matrix.divisor = 1;
  Upload(matrix, count, data);
}

void EasyDrawCustom::SpecifyLayout() {
  const VertexLayoutPlan plan = PlanVertexLayout(slots_);
  glBindVertexArray(vertex_array_);
  for (const uint32_t location : cleared_locations_) {
    glDisableVertexAttribArray(location);
    glVertexAttribDivisor(location, 0);
  }
  cleared_locations_.clear();
  for (const VertexPointerPlan& pointer : plan.pointers) {
    glBindBuffer(GL_ARRAY_BUFFER, slots_[pointer.slot].buffer);
    glEnableVertexAttribArray(pointer.location);
    glVertexAttribPointer(pointer.location, static_cast<GLint>(pointer.components), GL_FLOAT,
                          GL_FALSE, static_cast<GLsizei>(pointer.stride_bytes),
                          reinterpret_cast<const void*>(uintptr_t{pointer.offset_bytes}));
    glVertexAttribDivisor(pointer.location, pointer.divisor);
  }
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  // An empty index list means drawing without indices, so no element buffer is attached.
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, index_count_ > 0 ? element_buffer_ : 0);
  glBindVertexArray(0);
  vertex_count_ = plan.vertex_count;
  instance_count_ = plan.instance_count;
  instanced_ = plan.instanced;
  dirty_ = false;
}

void EasyDrawCustom::Draw(GLenum mode) {
  if (vertex_array_ == 0) {
    glGenVertexArrays(1, &vertex_array_);
    Check(vertex_array_ != 0, __LINE__);
  }
  if (dirty_) SpecifyLayout();
  // Nothing to draw: no vertices, or per-instance data holding no instance.
  if (vertex_count_ == 0 || (instanced_ && instance_count_ == 0)) return;
  Check(index_count_ == 0 || max_index_ < vertex_count_, __LINE__);

  const GLsizei vertices = static_cast<GLsizei>(vertex_count_);
  const GLsizei instances = static_cast<GLsizei>(instance_count_);
  const GLsizei indices = static_cast<GLsizei>(index_count_);
  glBindVertexArray(vertex_array_);
  if (index_count_ == 0) {
    if (instance_count_ > 1) {
      glDrawArraysInstanced(mode, 0, vertices, instances);
    } else {
      glDrawArrays(mode, 0, vertices);
    }
  } else if (instance_count_ > 1) {
    glDrawElementsInstanced(mode, indices, GL_UNSIGNED_INT, nullptr, instances);
  } else {
    glDrawElements(mode, indices, GL_UNSIGNED_INT, nullptr);
  }
  glBindVertexArray(0);
}
