#include "objects3d/closed_solid_culling.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <unordered_map>
#include <utility>

#include <GL/glew.h>

#include "objects3d/closed_solid.h"
#include "objects3d/material.h"
#include "objects3d/primitive.h"
#include "objects3d/primitive_buffers.h"
#include "util/helpers.h"

namespace {

// How much wider than the copy's sphere the eye must keep: the sphere is measured in floats,
// and the GPU places the corners a rounding step away from where the CPU does.
constexpr float kSphereSlack = 1e-3f;

bool IsOpaque(const Material& material) {
  if (material.alpha_mask || material.base_color.a < kOpaqueAlpha) return false;
  return std::all_of(material.instance_base_colors.begin(), material.instance_base_colors.end(),
                     [](const glm::vec4& c) { return c.a >= kOpaqueAlpha; });
}

float Handedness(const glm::mat4& m) { return glm::determinant(glm::mat3(m)); }

// A hash of what decides a primitive's shape: its positions, their layout and its indices.
uint64_t GeometryHash(const Primitive& p) {
  uint64_t hash = 0x9e3779b97f4a7c15ull ^ (uint64_t{p.position_components} << 32 | p.draw_mode);
  const auto mix = [&hash](uint64_t value) {
    hash ^= value + 0x9e3779b97f4a7c15ull + (hash << 6) + (hash >> 2);
  };
  for (const float f : p.positions) {
    uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof(bits));
    mix(bits);
  }
  mix(p.positions.size());
  for (const uint32_t i : p.indices) mix(i);
  mix(p.indices.size());
  mix(p.morph_targets.size());
  return hash;
}

bool DrawFramebufferHasDepth() {
  GLint framebuffer = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
  GLint type = GL_NONE;
  glGetFramebufferAttachmentParameteriv(GL_DRAW_FRAMEBUFFER,
                                        framebuffer != 0 ? GL_DEPTH_ATTACHMENT : GL_DEPTH,
                                        GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
  return type != GL_NONE;
}

// Whether a back face that fails the stencil or the depth test leaves the stencil as it was.
bool FailedBackFacesKeepStencil() {
  if (!glIsEnabled(GL_STENCIL_TEST)) return true;
  GLint stencil_fail = GL_KEEP;
  GLint depth_fail = GL_KEEP;
  glGetIntegerv(GL_STENCIL_BACK_FAIL, &stencil_fail);
  glGetIntegerv(GL_STENCIL_BACK_PASS_DEPTH_FAIL, &depth_fail);
  return stencil_fail == GL_KEEP && depth_fail == GL_KEEP;
}

// Whether the blending lays an opaque fragment over what lies under it: its colour, taken
// whole or by its alpha, and the rest by one minus that alpha or not at all.
bool BlendsOpaqueOver() {
  std::array<GLint, 4> factors{};
  glGetIntegerv(GL_BLEND_SRC_RGB, &factors[0]);
  glGetIntegerv(GL_BLEND_SRC_ALPHA, &factors[1]);
  glGetIntegerv(GL_BLEND_DST_RGB, &factors[2]);
  glGetIntegerv(GL_BLEND_DST_ALPHA, &factors[3]);
  GLint equation = GL_FUNC_ADD;
  glGetIntegerv(GL_BLEND_EQUATION_RGB, &equation);
  const auto source = [](GLint f) { return f == GL_ONE || f == GL_SRC_ALPHA; };
  const auto under = [](GLint f) { return f == GL_ZERO || f == GL_ONE_MINUS_SRC_ALPHA; };
  return equation == GL_FUNC_ADD && source(factors[0]) && source(factors[1]) &&
         under(factors[2]) && under(factors[3]);
}

// Whether a back face drawn before its front face has its colour covered by it (the solids
// culled are opaque).
bool FrontFaceCoversColour() {
  GLboolean writes = GL_FALSE;
  glGetBooleanv(GL_DEPTH_WRITEMASK, &writes);
  if (writes != GL_TRUE) return false;
  if (!glIsEnabled(GL_BLEND)) return true;
  std::array<GLboolean, 4> colour{};
  glGetBooleanv(GL_COLOR_WRITEMASK, colour.data());
  const bool writes_colour =
      std::any_of(colour.begin(), colour.end(), [](GLboolean c) { return c == GL_TRUE; });
  return !writes_colour || BlendsOpaqueOver();
}

}  // namespace

bool DepthTestHidesBackFaces() {
  if (!glIsEnabled(GL_DEPTH_TEST) || !DrawFramebufferHasDepth() || !FailedBackFacesKeepStencil()) {
    return false;
  }
  GLint func = GL_LESS;
  glGetIntegerv(GL_DEPTH_FUNC, &func);
  if (func == GL_EQUAL) return true;
  return (func == GL_LESS || func == GL_LEQUAL) && FrontFaceCoversColour();
}

float NearPlaneReach(const glm::mat4& projection) {
  // A perspective projection carries -z into w.
  if (projection[2][3] != -1.0f || projection[3][3] != 0.0f) return -1.0f;
  const glm::mat4 inverse = glm::inverse(projection);
  float reach = 0.0f;
  for (const float x : {-1.0f, 1.0f}) {
    for (const float y : {-1.0f, 1.0f}) {
      const glm::vec4 corner = inverse * glm::vec4(x, y, -1.0f, 1.0f);
      reach = std::max(reach, glm::length(glm::vec3(corner) / corner.w));
    }
  }
  return reach;
}

const ClosedSolidCulling::Shape& ClosedSolidCulling::ShapeOf(const Primitive& p) {
  const uint64_t stamp = p.buffers ? p.buffers->upload_stamp() : 0;
  const bool settled = stamp != 0 && !p.NeedsUpload();
  const auto found = shapes_.find(&p);
  const bool known = found != shapes_.end();
  if (settled && known && found->second.upload_stamp == stamp) return found->second;
  // Uploaded again, or about to be: the shape holds while the positions and indices do.
  const uint64_t geometry = GeometryHash(p);
  if (known && found->second.geometry == geometry) {
    if (settled) found->second.upload_stamp = stamp;
    return found->second;
  }
  Shape shape;
  shape.upload_stamp = settled ? stamp : 0;
  shape.geometry = geometry;
  const PositionBox box = BoxOfPositions(p);
  shape.closed = box.valid && IsClosedSolid(p);
  shape.centre = (box.min + box.max) * 0.5f;
  shape.radius = glm::length(box.max - box.min) * 0.5f;
  ++shapes_worked_out_;
  Shape& kept = shapes_[&p];
  kept = shape;
  return kept;
}

bool ClosedSolidCulling::MayCullBackFaces(const Primitive& p,
                                          const std::vector<glm::mat4>& model_views,
                                          const glm::mat4& root, float near_reach) {
  if (near_reach < 0.0f || !p.material || !IsOpaque(*p.material)) return false;
  const Shape& shape = ShapeOf(p);
  if (!shape.closed) return false;
  const bool root_right_handed = Handedness(root) > 0.0f;
  for (const glm::mat4& m : model_views) {
    // A mirrored copy is wound the other way round.
    if ((Handedness(m) > 0.0f) != root_right_handed) return false;
    const glm::vec3 centre(m * glm::vec4(shape.centre, 1.0f));
    const float keep_off = shape.radius * LargestAxisScale(m) * (1.0f + kSphereSlack) + near_reach;
    if (glm::dot(centre, centre) <= keep_off * keep_off) return false;
  }
  return true;
}
