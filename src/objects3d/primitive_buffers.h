#pragma once
// The GPU side of a Primitive: its vertex array (streams at the fixed attribute locations,
// indices, per-instance matrices and colours) and a buffer texture with the morph targets'
// normal and tangent deltas, which do not fit the 16 attribute locations the driver offers.
// Streams are uploaded when the primitive marks them dirty; instance data on every draw.

#include <cstdint>
#include <vector>

#include <GL/glew.h>
#include <glm/glm.hpp>

#include "objects3d/context/shaderfeature.h"
#include "util/easydraw/easydrawcustom.h"

class Camera;
class Primitive;
class RenderContext;
struct Material;

class PrimitiveBuffers {
 public:
  PrimitiveBuffers() = default;
  ~PrimitiveBuffers();
  PrimitiveBuffers(const PrimitiveBuffers&) = delete;
  PrimitiveBuffers& operator=(const PrimitiveBuffers&) = delete;

  // Uploads the dirty streams and indices of the primitive and clears its flags.
  void Update(Primitive& primitive);
  // The instance matrices, and (with `colors`) the material's instance colours when there is
  // one per instance of a several-instance draw; colour slots a draw does not use are dropped.
  // A draw that reads no colours may take any subset of the instances.
  void SetInstances(const std::vector<glm::mat4>& matrices, const Material& material,
                    bool colors);
  void Draw(uint32_t mode) { vertex_array_.Draw(mode); }

  GLuint morph_deltas() const { return morph_texture_; }
  // A number no other upload in the process has had, taken at each upload of streams or
  // indices; 0 before the first. Equal numbers mean the same uploaded geometry.
  uint64_t upload_stamp() const { return upload_stamp_; }
  const EasyDrawCustom& vertex_array() const { return vertex_array_; }

 private:
  void UploadMorphTargets(const Primitive& primitive);
  void UploadMorphDeltas(const Primitive& primitive, uint32_t targets);

  EasyDrawCustom vertex_array_;
  std::vector<glm::vec4> colors_scratch_;
  GLuint morph_buffer_ = 0;
  GLuint morph_texture_ = 0;
  uint64_t upload_stamp_ = 0;
};

// Whether surfaces of the material are drawn into shadow maps: masked, unlit and translucent
// ones cast no shadow.
bool CastsShadow(const Material& material);

// Which streams each of the primitive's first four morph targets carries.
std::array<MorphTargetStreams, kMaxShaderMorphTargets> MorphStreams(const Primitive& primitive);

// Makes the primitive's buffers when missing and uploads what is dirty.
void UpdatePrimitiveBuffers(Primitive& primitive);

// Draws one primitive for every instance matrix in one call: checks it, feeds the instance data,
// sets up the render context's variant and uniforms, uploads dirty streams and draws.
void DrawPrimitive(Primitive& primitive, RenderContext& context, RenderContextDrawMode mode,
                   const std::vector<glm::mat4>& instances, const Camera& camera,
                   const std::vector<float>& weights);
