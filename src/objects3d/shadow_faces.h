#pragma once
// Draws the six faces of a light's shadow cube map with savings that keep every face's
// depths, wherever they are read, exactly as drawing the whole scene into it would leave them:
// - culling: a primitive goes into a face only when the bounding box of its positions under some
//   instance's matrix reaches the face's frustum; whatever lies wholly outside the frustum yields
//   no fragment there. With copy culling, an instanced primitive goes in with only the instances
//   whose boxes reach the face (the depth pass reads no per-instance colour, so any subset of the
//   instances draws the same depths); without it, with all of them.
// - caching: each face is given a signature of everything its draw would hand GL (the face's
//   model-view matrices per primitive, the uploaded geometry, morph weights, the projection,
//   the map's size and the culling state). The shared map remembers the signature of what each
//   face holds and forgets it when anything else is drawn into the face, so a face whose
//   signature is unchanged is not drawn again.
// - unseen faces: the lighting pass reads the map only in the directions of the surfaces the
//   camera sees (a texel or two around them for the filtering). A face that no surface within
//   the camera's frustum reaches is left as it is; its remembered signature still says what it
//   holds, so it is drawn once a surface in view needs it.
// - closed solids: where the caller culls no side, a closed solid the light lies outside of
//   goes in without back faces (see ClosedSolidCulling); its front faces hold the depths.
// - read areas: a face needed is cleared and drawn only within the rectangle those surfaces
//   can read of it (see ShadowReadArea); the map remembers the rectangle with the signature,
//   and a kept face serves only a later frame whose rectangle lies within it.
// The faces and the lighting pass's reach go through the main draw's own node walk (NodeWalk).

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include <glm/glm.hpp>

#include "objects3d/closed_solid_culling.h"
#include "objects3d/node_walk.h"

class Camera;
class Light;
class Objects3D;
class Primitive;
class RenderContext;
class ShadowReadArea;

struct ShadowFaceOptions {
  bool cull = true;
  bool cache = true;
  bool skip_unseen = true;
  // With skip_unseen: a face is cleared and drawn only within the rectangle the surfaces in
  // view can read of it.
  bool scissor = true;
};

// What the last Render did: faces drawn (the rest kept their contents), primitive draws and the
// instances those draws took.
struct ShadowFaceStats {
  int32_t faces_drawn = 0;
  int32_t primitives_drawn = 0;
  int64_t copies_drawn = 0;
  // Texels of the faces drawn, cleared and drawn into.
  int64_t texels_drawn = 0;
};

class ShadowFaceRenderer {
 public:
  ShadowFaceRenderer();
  ~ShadowFaceRenderer();
  ShadowFaceRenderer(const ShadowFaceRenderer&) = delete;
  ShadowFaceRenderer& operator=(const ShadowFaceRenderer&) = delete;
  // Brings the faces of the light's map up to date with the scene. The light's transform must
  // be current; the caller has set the face culling state. Nothing happens without the light's
  // `shadows` or without its map.
  void Render(Objects3D& scene, RenderContext& context, Light& light, const Camera& camera,
              const ShadowFaceOptions& options);
  const ShadowFaceStats& last_stats() const { return stats_; }

 private:
  using Box = PositionBox;
  struct CachedBox {
    uint64_t upload_stamp = 0;
    Box box;
  };
  // The walk's visitors: one collects a face's draws, one finds the faces the camera reads.
  class FaceVisitor;
  class SeenVisitor;
  // One primitive draw of a face: its matrices sit in lists_[list].
  struct Item {
    Primitive* primitive;
    size_t list;
    const std::vector<float>* weights;
  };

  // The primitive draws of the face whose model-view root is `root`.
  void CollectFace(Objects3D& scene, const glm::mat4& root);
  void AddItem(Primitive& primitive, const std::vector<glm::mat4>& world,
               const std::vector<float>& weights);
  // The instances of `world` the face draws the primitive with, into `drawn`.
  void KeepReaching(const Primitive& primitive, const std::vector<glm::mat4>& world,
                    std::vector<glm::mat4>& drawn);
  const Box& LocalBox(const Primitive& primitive);
  // Bit i set when face i is read by some surface within the camera's frustum.
  // With `areas`, also the rectangle of each face they read.
  uint32_t SampledFaces(Objects3D& scene, const Light& light, const Camera& camera, bool areas);
  void AddSeen(const Primitive& primitive, const std::vector<glm::mat4>& world);
  void AddSeenArea(const Box& box, const glm::mat4& model, const glm::mat4& from_light);
  uint64_t FaceSignature(const Light& light, uint32_t face, uint32_t culled) const;
  void DrawFace(RenderContext& context, const Camera& camera);

  glm::mat4 projection_{1.0f};
  glm::mat4 camera_clip_{1.0f};
  const Light* seen_light_ = nullptr;
  float seen_margin_ = 0.0f;
  uint32_t seen_faces_ = 0;
  bool seen_areas_ = false;
  std::unique_ptr<ShadowReadArea> read_area_;
  bool cull_ = true;
  bool cull_copies_ = true;
  // The face's model-view root, and the reach of the light's near plane when closed solids
  // go without back faces (negative otherwise).
  glm::mat4 face_root_{1.0f};
  float light_near_reach_ = -1.0f;
  ClosedSolidCulling closed_solids_;
  std::vector<Item> items_;
  std::vector<std::vector<glm::mat4>> lists_;
  NodeWalk walk_;
  std::unordered_map<const Primitive*, CachedBox> boxes_;
  Box scratch_box_;
  ShadowFaceStats stats_;
};
