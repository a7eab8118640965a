#include "objects3d/primitive_buffers.h"

#include <algorithm>
#include <memory>

#include "objects3d/context/rendercontext.h"
#include "objects3d/material.h"
#include "objects3d/primitive.h"
#include "system/log.h"
#include "util/shaderprogram/vertexattrib.h"

namespace {

void Check(bool condition, uint32_t line) {
  if (!condition) ExitMsg(__FILE__, line, "Assert failed");
}

uint32_t Floats(const std::vector<float>& v) { return static_cast<uint32_t>(v.size()); }

// Morph target streams that can be drawn: a target's list must match the base stream it moves.
uint32_t UploadedTargets(const Primitive& p) {
  return std::min<uint32_t>(static_cast<uint32_t>(p.morph_targets.size()), kMaxShaderMorphTargets);
}

// A target's stream holds three floats per vertex of the base stream it moves.
void CheckMorphTargetStream(const std::vector<float>& target, const std::vector<float>& base,
                            uint32_t base_components) {
  if (target.empty() || base.empty() || base_components == 0) return;
  Check(target.size() == base.size() / base_components * 3, __LINE__);
}

bool SkipsMode(const Material& m, RenderContextDrawMode mode) {
  // Unlit surfaces take no light.
  if (mode == RenderContextDrawMode::ShadowDepthWrite) return !CastsShadow(m);
  return mode == RenderContextDrawMode::ShadowLighting && m.unlit;
}

uint64_t NextUploadStamp() {
  static uint64_t last = 0;
  return ++last;
}

}  // namespace

PrimitiveBuffers::~PrimitiveBuffers() {
  if (morph_texture_ != 0) glDeleteTextures(1, &morph_texture_);
  if (morph_buffer_ != 0) glDeleteBuffers(1, &morph_buffer_);
}

std::array<MorphTargetStreams, kMaxShaderMorphTargets> MorphStreams(const Primitive& p) {
  std::array<MorphTargetStreams, kMaxShaderMorphTargets> streams{};
  for (uint32_t i = 0; i < UploadedTargets(p); ++i) {
    const MorphTarget& t = p.morph_targets[i];
    streams[i] = {!t.positions.empty() && !p.positions.empty(),
                  !t.normals.empty() && !p.normals.empty(),
                  !t.tangents.empty() && !p.tangents.empty()};
  }
  return streams;
}

bool CastsShadow(const Material& m) {
  return !m.unlit && !m.alpha_mask && !(m.base_color.a < kOpaqueAlpha);
}

void PrimitiveBuffers::Update(Primitive& p) {
  if (p.NeedsUpload()) upload_stamp_ = NextUploadStamp();
  if (p.dirty) {
    const auto upload = [this](VertexAttrib slot, uint32_t components, const std::vector<float>& v) {
      if (components != 0) vertex_array_.SetAttribute(slot, components, Floats(v), v.data(), 0);
    };
    upload(VertexAttribPosition, p.position_components, p.positions);
    upload(VertexAttribNormal, p.normal_components, p.normals);
    upload(VertexAttribTangent, p.tangent_components, p.tangents);
    upload(VertexAttribTexCoord1, p.texcoord_components, p.texcoords);
    upload(VertexAttribColor, p.color_components, p.colors);
    UploadMorphTargets(p);
    p.dirty = 0;
  }
  if (p.indices_dirty) {
    vertex_array_.SetIndices(static_cast<uint32_t>(p.indices.size()), p.indices.data());
    p.indices_dirty = 0;
  }
}

void PrimitiveBuffers::UploadMorphTargets(const Primitive& p) {
  const uint32_t targets = UploadedTargets(p);
  bool deltas = false;
  for (uint32_t i = 0; i < targets; ++i) {
    const MorphTarget& t = p.morph_targets[i];
    CheckMorphTargetStream(t.positions, p.positions, p.position_components);
    CheckMorphTargetStream(t.normals, p.normals, p.normal_components);
    CheckMorphTargetStream(t.tangents, p.tangents, p.tangent_components);
    const uint32_t slot = VertexAttribTargetPosition0 + i;
    if (!t.positions.empty() && !p.positions.empty()) {
      vertex_array_.SetAttribute(slot, p.position_components, Floats(t.positions),
                                 t.positions.data(), 0);
    } else {
      vertex_array_.ClearAttribute(slot);
    }
    deltas = deltas || (!t.normals.empty() && !p.normals.empty()) ||
             (!t.tangents.empty() && !p.tangents.empty());
  }
  for (uint32_t i = targets; i < kMaxShaderMorphTargets; ++i) {
    vertex_array_.ClearAttribute(VertexAttribTargetPosition0 + i);
  }
  if (deltas) UploadMorphDeltas(p, targets);
}

// Block 2i holds target i's normal deltas, block 2i + 1 its tangent deltas, one RGB texel per
// vertex; a missing stream is a block of zeros.
void PrimitiveBuffers::UploadMorphDeltas(const Primitive& p, uint32_t targets) {
  const uint32_t vertices = p.VertexCount();
  std::vector<float> texels(static_cast<size_t>(2) * targets * vertices * 3, 0.0f);
  const auto copy = [&](const std::vector<float>& stream, uint32_t components, uint32_t block) {
    if (stream.empty() || components < 3) return;
    for (uint32_t v = 0; v < vertices && (v + 1) * components <= stream.size(); ++v) {
      for (uint32_t c = 0; c < 3; ++c) {
        texels[(static_cast<size_t>(block) * vertices + v) * 3 + c] = stream[v * components + c];
      }
    }
  };
  for (uint32_t i = 0; i < targets; ++i) {
    const MorphTarget& t = p.morph_targets[i];
    if (!p.normals.empty()) copy(t.normals, p.normal_components, 2 * i);
    // Target tangents are three-component deltas whatever the base tangent carries.
    if (!p.tangents.empty()) copy(t.tangents, 3, 2 * i + 1);
  }
  if (morph_buffer_ == 0) glGenBuffers(1, &morph_buffer_);
  if (morph_texture_ == 0) glGenTextures(1, &morph_texture_);
  GLint previous_texture = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_BUFFER, &previous_texture);
  glBindBuffer(GL_TEXTURE_BUFFER, morph_buffer_);
  glBufferData(GL_TEXTURE_BUFFER, static_cast<GLsizeiptr>(texels.size() * sizeof(float)),
               texels.data(), GL_STATIC_DRAW);
  glBindBuffer(GL_TEXTURE_BUFFER, 0);
  glBindTexture(GL_TEXTURE_BUFFER, morph_texture_);
  glTexBuffer(GL_TEXTURE_BUFFER, GL_RGB32F, morph_buffer_);
  glBindTexture(GL_TEXTURE_BUFFER, static_cast<GLuint>(previous_texture));
}

void PrimitiveBuffers::SetInstances(const std::vector<glm::mat4>& matrices,
                                    const Material& material, bool colors) {
  const uint32_t n = static_cast<uint32_t>(matrices.size());
  vertex_array_.SetInstanceMatrices(n * 16, &matrices[0][0][0]);
  if (!colors) {
    vertex_array_.ClearAttribute(VertexAttribInstancedBaseColor);
    vertex_array_.ClearAttribute(VertexAttribInstancedEmissionColor);
    return;
  }
  const size_t base_colors = material.instance_base_colors.size();
  if (base_colors > 1 && base_colors != n) {
    ExitMsgFmt(__FILE__, __LINE__, "Material {}: Instance base colors size {} differs from matrices size {}",
               material.name, base_colors, n);
  }
  const size_t emission_colors = material.instance_emission_colors.size();
  if (emission_colors > 1 && emission_colors != n) {
    ExitMsgFmt(__FILE__, __LINE__, "Instance emission colors size {} differs from matrices size {}",
               emission_colors, n);
  }
  if (n > 1 && base_colors > 1) {
    vertex_array_.SetAttribute(VertexAttribInstancedBaseColor, 4, n * 4,
                               &material.instance_base_colors[0][0], 1);
  } else {
    vertex_array_.ClearAttribute(VertexAttribInstancedBaseColor);
  }
  if (n > 1 && emission_colors > 1) {
    vertex_array_.SetAttribute(VertexAttribInstancedEmissionColor, 3, n * 3,
                               &material.instance_emission_colors[0][0], 1);
  } else {
    vertex_array_.ClearAttribute(VertexAttribInstancedEmissionColor);
  }
}

void UpdatePrimitiveBuffers(Primitive& primitive) {
  if (!primitive.buffers) primitive.buffers = std::make_shared<PrimitiveBuffers>();
  primitive.buffers->Update(primitive);
}

void DrawPrimitive(Primitive& p, RenderContext& context, RenderContextDrawMode mode,
                   const std::vector<glm::mat4>& instances, const Camera& camera,
                   const std::vector<float>& weights) {
  if (!p.material) ExitMsg(__FILE__, __LINE__, "Primitive::Draw called without material being set first");
  const Material& material = *p.material;
  if (SkipsMode(material, mode) || instances.empty()) return;
  // The depth pre-pass leaves out what the main pass does not write depth for (seen-through
  // surfaces) and what it cuts away (masked ones).
  if (context.depth_only && (material.alpha_mask || material.base_color.a < kOpaqueAlpha)) return;
  if (p.normal_components != 0 && p.normal_components != 3) {
    ExitMsgFmt(__FILE__, __LINE__, "Unexpected normals stride of {}", p.normal_components);
  }
  // Four-component tangents carry the bitangent's handedness in w.
  if (p.tangent_components != 0 && p.tangent_components != 3 && p.tangent_components != 4) {
    ExitMsgFmt(__FILE__, __LINE__, "Unexpected tangets stride of {}", p.tangent_components);
  }
  if (!p.buffers) p.buffers = std::make_shared<PrimitiveBuffers>();
  context.has_normals = p.normal_components == 3;
  context.has_tangents = p.tangent_components != 0;
  p.draw_instance_count = static_cast<uint32_t>(instances.size());
  // The depth of a shadow face reads no colour: it may draw only the instances that reach it.
  p.buffers->SetInstances(instances, material, mode != RenderContextDrawMode::ShadowDepthWrite);
  context.color_components = static_cast<int32_t>(p.color_components);

  PrimitiveDrawInputs draw;
  draw.mode = mode;
  draw.instances = instances.data();
  draw.instance_count = static_cast<uint32_t>(instances.size());
  draw.material = &material;
  draw.camera = &camera;
  draw.morph_count = UploadedTargets(p) < p.morph_targets.size()
                         ? static_cast<uint32_t>(p.morph_targets.size())
                         : UploadedTargets(p);
  draw.morph = MorphStreams(p);
  draw.weights = weights.data();
  draw.weight_count = static_cast<uint32_t>(weights.size());
  draw.vertex_count = p.VertexCount();
  p.buffers->Update(p);
  draw.morph_deltas = p.buffers->morph_deltas();
  context.SetUp(draw);
  p.buffers->Draw(p.draw_mode);
  glDepthMask(GL_TRUE);
}
