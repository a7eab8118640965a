#include "objects3d/shadow_faces.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include <GL/glew.h>

#include "objects3d/context/rendercontext.h"
#include "objects3d/material.h"
#include "objects3d/objects3d.h"
#include "objects3d/primitive.h"
#include "objects3d/primitive_buffers.h"
#include "objects3d/shadow_read_area.h"
#include "util/camera/camera.h"
#include "util/light/light.h"
#include "util/light/shadowcubemap.h"

namespace {

// Slack on the frustum test: the GPU multiplies the matrices in another order than the CPU, so
// a corner the CPU finds a hair outside may lie a hair inside there. Only what is clearly
// outside is left out.
constexpr float kClipSlack = 1e-3f;

// How far past a face's edge the lighting pass may read for a surface it lights, in texels: the
// lookup moves 1.5 texels along the normal and the filtering reads the next texel; twice that.
constexpr float kSampleMarginTexels = 5.0f;

// A 64-bit running signature. Signatures are compared, never stored beyond the map's faces;
// 0 stands for "unknown", so a signature never ends at 0.
class Signature {
 public:
  void Add(uint64_t word) {
    const __uint128_t product =
        static_cast<__uint128_t>(state_ ^ word ^ 0xa0761d6478bd642full) * 0xe7037ed1a0b428dbull;
    state_ = static_cast<uint64_t>(product >> 64) ^ static_cast<uint64_t>(product);
  }
  void Add(const void* data, size_t bytes) {
    const auto* at = static_cast<const unsigned char*>(data);
    for (; bytes >= 8; bytes -= 8, at += 8) {
      uint64_t word = 0;
      std::memcpy(&word, at, 8);
      Add(word);
    }
    uint64_t rest = 0;
    std::memcpy(&rest, at, bytes);
    Add(rest ^ (uint64_t{bytes} << 56));
  }
  void Add(const glm::mat4& m) { Add(&m[0][0], sizeof(m)); }
  uint64_t Value() const { return state_ == 0 ? 1 : state_; }

 private:
  uint64_t state_ = 0x243f6a8885a308d3ull;
};

// Points and lines may be drawn wider than their positions reach; only triangles are culled.
bool IsTriangles(uint32_t mode) {
  return mode == PrimitiveMode::Triangles || mode == PrimitiveMode::TriangleStrip ||
         mode == PrimitiveMode::TriangleFan;
}

// Whether the clip-space images of the box's corners lie wholly beyond one frustum plane. The
// projection is linear in homogeneous coordinates, so the whole box lies beyond it then.
bool BoxOutside(const PositionBox& box, const glm::mat4& clip_from_local) {
  uint32_t beyond_all = 0x3f;
  for (int corner = 0; corner < 8 && beyond_all != 0; ++corner) {
    const glm::vec4 c = clip_from_local * glm::vec4(box.Corner(corner), 1.0f);
    uint32_t beyond = 0;
    for (int axis = 0; axis < 3; ++axis) {
      const float slack = kClipSlack * (std::fabs(c[axis]) + std::fabs(c.w)) + 1e-6f;
      if (c[axis] > c.w + slack) beyond |= 1u << (2 * axis);
      if (c[axis] < -c.w - slack) beyond |= 1u << (2 * axis + 1);
    }
    beyond_all &= beyond;
  }
  return beyond_all != 0;
}

// Whether the box lies wholly outside the pyramid of directions of a face (only its four side
// planes: a lookup reads the face whatever the distance). `face_from_local` takes the box into
// the face's view, which looks down -z.
bool BoxOutsideDirections(const PositionBox& box, const glm::mat4& face_from_local,
                          float margin) {
  uint32_t beyond_all = 0xf;
  for (int corner = 0; corner < 8 && beyond_all != 0; ++corner) {
    const glm::vec4 v = face_from_local * glm::vec4(box.Corner(corner), 1.0f);
    const float reach = -v.z * (1.0f + margin) + kClipSlack * (std::fabs(v.z) + 1.0f);
    uint32_t beyond = 0;
    for (int axis = 0; axis < 2; ++axis) {
      if (v[axis] > reach) beyond |= 1u << (2 * axis);
      if (v[axis] < -reach) beyond |= 1u << (2 * axis + 1);
    }
    beyond_all &= beyond;
  }
  return beyond_all != 0;
}

// Takes a face's clip space to the clip space of its rectangle `texels` alone, so that whatever
// lies outside the rectangle lies outside the frustum.
glm::mat4 NarrowTo(const ShadowFaceTexels& texels, int32_t side) {
  const auto ndc = [&](int32_t t) {
    return 2.0f * static_cast<float>(t) / static_cast<float>(side) - 1.0f;
  };
  const float x0 = ndc(texels.x0), x1 = ndc(texels.x1), y0 = ndc(texels.y0), y1 = ndc(texels.y1);
  glm::mat4 narrow(1.0f);
  narrow[0][0] = 2.0f / (x1 - x0);
  narrow[3][0] = -(x0 + x1) / (x1 - x0);
  narrow[1][1] = 2.0f / (y1 - y0);
  narrow[3][1] = -(y0 + y1) / (y1 - y0);
  return narrow;
}

GLenum CullFaceMode() {
  GLint mode = GL_BACK;
  glGetIntegerv(GL_CULL_FACE_MODE, &mode);
  return static_cast<GLenum>(mode);
}

}  // namespace

ShadowFaceRenderer::ShadowFaceRenderer() = default;
ShadowFaceRenderer::~ShadowFaceRenderer() = default;

void ShadowFaceRenderer::Render(Objects3D& scene, RenderContext& context, Light& light,
                                const Camera& camera, const ShadowFaceOptions& options) {
  stats_ = {};
  if (!light.shadows || !light.shadow_map) return;
  ShadowCubeMap& map = *light.shadow_map;
  cull_ = options.cull;
  cull_copies_ = options.cull && scene.shadow_face_copy_culling != 0;
  // The faces a draw leaves out are part of what a face holds.
  const GLenum culled = glIsEnabled(GL_CULL_FACE) ? CullFaceMode() : GL_NONE;
  const int32_t side = map.size();
  const bool scissor = options.skip_unseen && options.scissor;
  light_near_reach_ = culled == GL_NONE && scene.closed_primitive_culling != 0
                          ? NearPlaneReach(light.projection)
                          : -1.0f;
  const uint32_t needed = options.skip_unseen ? SampledFaces(scene, light, camera, scissor) : 0x3fu;
  for (uint32_t face = 0; face < 6; ++face) {
    if ((needed & (1u << face)) == 0) continue;
    ShadowFaceTexels texels{0, 0, side, side};
    if (scissor) {
      texels = read_area_->Texels(face, side);
      if (texels.Empty()) continue;
    }
    projection_ = NarrowTo(texels, side) * light.projection;
    face_root_ = light.face_views[face] * light.transform;
    CollectFace(scene, face_root_);
    const uint64_t signature = FaceSignature(light, face, culled);
    if (options.cache && map.FaceContents(face) == signature &&
        map.FaceContentsTexels(face).Contains(texels)) {
      continue;
    }
    light.BeginShadowFace(static_cast<int32_t>(face), scissor ? &texels : nullptr);
    if (!light.InShadowFace()) continue;
    // A face starts with front faces culled; the caller's choice of side holds here.
    if (culled != GL_NONE) glCullFace(culled);
    DrawFace(context, camera);
    light.EndShadowFace();
    map.SetFaceContents(face, signature, texels);
    ++stats_.faces_drawn;
    stats_.texels_drawn += int64_t{texels.x1 - texels.x0} * (texels.y1 - texels.y0);
  }
}

class ShadowFaceRenderer::FaceVisitor : public NodeWalkVisitor {
 public:
  explicit FaceVisitor(ShadowFaceRenderer& renderer) : renderer_(renderer) {}
  void OnPrimitive(Primitive& primitive, const std::vector<glm::mat4>& world,
                   const std::vector<float>& weights) override {
    renderer_.AddItem(primitive, world, weights);
  }

 private:
  ShadowFaceRenderer& renderer_;
};

// The walk of the lighting pass: the same nodes, meshes and primitives as the shadow walk.
class ShadowFaceRenderer::SeenVisitor : public NodeWalkVisitor {
 public:
  explicit SeenVisitor(ShadowFaceRenderer& renderer) : renderer_(renderer) {}
  void OnPrimitive(Primitive& primitive, const std::vector<glm::mat4>& world,
                   const std::vector<float>& /*weights*/) override {
    renderer_.AddSeen(primitive, world);
  }
  // While the faces' areas are gathered, every surface in view counts.
  bool Satisfied() const override {
    return renderer_.seen_faces_ == 0x3fu && !renderer_.seen_areas_;
  }

 private:
  ShadowFaceRenderer& renderer_;
};

void ShadowFaceRenderer::CollectFace(Objects3D& scene, const glm::mat4& root) {
  items_.clear();
  if (scene.data.nodes.empty()) return;
  FaceVisitor visitor(*this);
  walk_.Run(scene, root, visitor);
}

void ShadowFaceRenderer::AddItem(Primitive& primitive, const std::vector<glm::mat4>& world,
                                 const std::vector<float>& weights) {
  // A primitive without a material is drawn, so that the draw reports it.
  if (primitive.material && !CastsShadow(*primitive.material)) return;
  if (world.empty()) return;
  // Uploaded before it is signed, so that its upload stamp names the geometry it draws with.
  UpdatePrimitiveBuffers(primitive);
  // The lists are kept across faces and frames, so that collecting allocates only while the
  // scene grows.
  if (lists_.size() <= items_.size()) lists_.resize(items_.size() + 1);
  std::vector<glm::mat4>& drawn = lists_[items_.size()];
  KeepReaching(primitive, world, drawn);
  if (drawn.empty()) return;
  items_.push_back({&primitive, items_.size(), &weights});
}

void ShadowFaceRenderer::KeepReaching(const Primitive& primitive,
                                      const std::vector<glm::mat4>& world,
                                      std::vector<glm::mat4>& drawn) {
  drawn.clear();
  // Morph targets move the positions beyond their box.
  const bool bounded = IsTriangles(primitive.draw_mode) && primitive.morph_targets.empty();
  const Box* box = cull_ && bounded ? &LocalBox(primitive) : nullptr;
  if (box == nullptr || !box->valid) {
    drawn.assign(world.begin(), world.end());
    return;
  }
  for (const glm::mat4& model_view : world) {
    if (BoxOutside(*box, projection_ * model_view)) continue;
    if (!cull_copies_) {
      drawn.assign(world.begin(), world.end());
      return;
    }
    drawn.push_back(model_view);
  }
}

const ShadowFaceRenderer::Box& ShadowFaceRenderer::LocalBox(const Primitive& p) {
  const uint64_t stamp = p.buffers ? p.buffers->upload_stamp() : 0;
  const bool settled = stamp != 0 && !p.NeedsUpload();
  if (settled) {
    const auto found = boxes_.find(&p);
    if (found != boxes_.end() && found->second.upload_stamp == stamp) return found->second.box;
  }
  const Box box = BoxOfPositions(p);
  if (!settled) {
    scratch_box_ = box;
    return scratch_box_;
  }
  CachedBox& cached = boxes_[&p];
  cached = {stamp, box};
  return cached.box;
}

uint32_t ShadowFaceRenderer::SampledFaces(Objects3D& scene, const Light& light,
                                          const Camera& camera, bool areas) {
  seen_faces_ = 0;
  seen_areas_ = areas;
  if (scene.data.nodes.empty()) return 0;
  seen_light_ = &light;
  // A texel spans 2 / size of a face's half-width.
  const int32_t side = std::max(light.shadow_map->size(), 1);
  seen_margin_ = kSampleMarginTexels * 2.0f / static_cast<float>(side);
  if (!read_area_) read_area_ = std::make_unique<ShadowReadArea>();
  read_area_->Reset(seen_margin_);
  camera_clip_ = camera.projection * CameraRootMatrix(camera);
  SeenVisitor visitor(*this);
  walk_.Run(scene, glm::mat4(1.0f), visitor);
  return seen_faces_;
}

void ShadowFaceRenderer::AddSeen(const Primitive& p, const std::vector<glm::mat4>& world) {
  // Unlit surfaces take no light, so they read no shadow.
  if (p.material && p.material->unlit) return;
  const bool bounded = IsTriangles(p.draw_mode) && p.morph_targets.empty();
  const Box& box = LocalBox(p);
  if (!bounded || !box.valid) {
    seen_faces_ = 0x3fu;
    if (seen_areas_) read_area_->AddEverything();
    return;
  }
  for (const glm::mat4& m : world) {
    if (BoxOutside(box, camera_clip_ * m)) continue;
    const glm::mat4 from_light = seen_light_->transform * m;
    if (seen_areas_) AddSeenArea(box, m, from_light);
    for (uint32_t face = 0; face < 6; ++face) {
      if ((seen_faces_ & (1u << face)) != 0) continue;
      if (!BoxOutsideDirections(box, seen_light_->face_views[face] * from_light,
                                 seen_margin_)) {
        seen_faces_ |= 1u << face;
      }
    }
  }
}

void ShadowFaceRenderer::AddSeenArea(const Box& box, const glm::mat4& model,
                                     const glm::mat4& from_light) {
  std::array<glm::mat4, 6> face_clip;
  for (uint32_t face = 0; face < 6; ++face) {
    face_clip[face] = seen_light_->projection * seen_light_->face_views[face] * from_light;
  }
  read_area_->AddBox(box.min, box.max, camera_clip_ * model, face_clip);
}

uint64_t ShadowFaceRenderer::FaceSignature(const Light& light, uint32_t face,
                                           uint32_t culled) const {
  Signature s;
  s.Add(face);
  s.Add(static_cast<uint64_t>(light.shadow_map->size()));
  s.Add(uint64_t{culled} | uint64_t{cull_} << 32 | uint64_t{light_near_reach_ >= 0.0f} << 33);
  s.Add(light.projection);
  s.Add(items_.size());
  for (const Item& item : items_) {
    const Primitive& p = *item.primitive;
    s.Add(reinterpret_cast<uintptr_t>(&p));
    s.Add(p.buffers->upload_stamp());
    s.Add(uint64_t{p.draw_mode} | uint64_t{p.position_components} << 32);
    s.Add(p.indices.size());
    s.Add(p.positions.size());
    s.Add(p.morph_targets.size());
    if (!p.morph_targets.empty()) {
      s.Add(item.weights->size());
      s.Add(item.weights->data(), item.weights->size() * sizeof(float));
    }
    const std::vector<glm::mat4>& list = lists_[item.list];
    s.Add(list.size());
    s.Add(list.data(), list.size() * sizeof(glm::mat4));
  }
  return s.Value();
}

void ShadowFaceRenderer::DrawFace(RenderContext& context, const Camera& camera) {
  glFrontFace(GL_CCW);
  const GLenum cull_mode = CullFaceMode();
  for (const Item& item : items_) {
    const std::vector<glm::mat4>& copies = lists_[item.list];
    // A closed solid the light lies outside of shows the light its front faces first.
    const bool cull = light_near_reach_ >= 0.0f &&
        closed_solids_.MayCullBackFaces(*item.primitive, copies, face_root_, light_near_reach_);
    if (cull) {
      glEnable(GL_CULL_FACE);
      glCullFace(GL_BACK);
    }
    DrawPrimitive(*item.primitive, context, RenderContextDrawMode::ShadowDepthWrite, copies,
                  camera, *item.weights);
    if (cull) glDisable(GL_CULL_FACE);
    stats_.copies_drawn += static_cast<int64_t>(copies.size());
  }
  glCullFace(cull_mode);
  stats_.primitives_drawn += static_cast<int32_t>(items_.size());
}
