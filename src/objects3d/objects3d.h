#pragma once
// One 3D scene: the records of Objects3DData (a node tree over meshes, primitives, materials,
// cameras, lights, animations), the switches the draw passes read, and the operations scenes
// use to fill, query, build and animate it.
//
// The records and every operation in objects3d.cpp, objects3d_build.cpp and
// objects3d_animate.cpp are plain CPU work: an Objects3D can be made, loaded into (records
// only) and queried without a GL context. GL work happens in separate steps: the material
// textures (CreateMaterialTextures), the shared programs and IBL textures
// (objects3d/shared_resources.*), and the draw side (objects3d_draw.cpp with the render context
// and the primitive buffers). `render_context` is made with the scene; the draw side hands it
// the shared IBL textures on first use.
//
// Copying is deleted: each live object holds one count of the shared resources.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <glm/glm.hpp>

#include "objects3d/glow_bounds.h"
#include "objects3d/gltf_loader.h"
#include "objects3d/objects3d_data.h"

class AddedLight;
class Camera;
class FBO;
class Light;
class RenderContext;
class ShadowFaceRenderer;
class ClosedSolidCulling;
namespace Effects {
class SkyBox;
}

// Near and far planes and the 90-degree square projection of the light cube faces for a scene
// of a given size.
struct ShadowPlanes {
  float near_plane = 0.0f;
  float far_plane = 0.0f;
  glm::mat4 projection{1.0f};
};

// The planes for a scene whose bounding box is (min, max): near 0.001 and far 2 times the box
// diagonal. None for an empty box (min above max) or a diagonal that is not a positive finite
// number, so that no infinity reaches a shadow projection.
std::optional<ShadowPlanes> ComputeShadowPlanes(const glm::vec3& min, const glm::vec3& max);

// Side of the shared shadow cube map for a render width: the smallest power of two not below
// the width (at least 4), capped at what GL offers for cube maps (max_cube_size, ignored when
// not positive) and at the map's own memory cap (ShadowCubeMap::kMaxSide).
int32_t ShadowMapSize(uint32_t width, int32_t max_cube_size);

// The walks over a node tree recurse once a level. A tree of n nodes is less than n levels
// deep, so a walk that goes deeper has met a cycle (a scene can build one: the loader refuses
// them in files); the second bound, the loader's own depth limit, keeps a deep chain from
// overflowing the stack (a sanitizer build's frames are several times larger). Fatal
// "Node {index} ({name}) lies {depth} levels deep: the node tree has a cycle or is deeper than
// {bound}" when `depth` reaches either.
constexpr size_t kMaxNodeWalkDepth = static_cast<size_t>(kMaxGltfNodeDepth);
void RequireNodeWalkDepth(size_t node_count, const Node& node, size_t depth);

class Objects3D {
 public:
  Objects3D();
  // Loads the file (Load with prefix off); throws as Load does.
  explicit Objects3D(const std::string& path);
  ~Objects3D();
  Objects3D(const Objects3D&) = delete;
  Objects3D& operator=(const Objects3D&) = delete;
  Objects3D(Objects3D&&) = delete;
  Objects3D& operator=(Objects3D&&) = delete;

  // Live Objects3D in the process (each holds the shared resources).
  static int32_t InstanceCount();

  // --- Lifecycle (objects3d.cpp) ---
  // Appends the file's records (".gltf" or ".glb", case as written); throws std::runtime_error
  // "Fail during Objects3D::Load: ..." for other extensions. Loader failures are fatal.
  bool Load(const std::string& path, bool prefix);
  bool LoadGltf(const std::string& path, bool prefix);
  // After every file load: light planes from the scene size, glow on when a material has an
  // emissive texture, material textures made, then Prewarm.
  void FinishLoad();
  // GL: makes the textures of every material that holds decoded images and no texture yet,
  // one texture per image, and releases the images.
  void CreateMaterialTextures();
  // GL: a new sky box around `position` from the specular environment's face set.
  void SetSkyBox(const glm::vec3& position);

  // --- Queries (objects3d.cpp) ---
  Node& GetMasterNode();
  Node& GetNode(const std::string& name);
  Node& GetNode(uint32_t index);
  Mesh& GetMesh(uint32_t index);
  std::shared_ptr<Material> GetMaterial(uint32_t index);
  std::shared_ptr<Material> GetMaterial(const Node& node);
  // The one primitive whose material GetMaterial(node) gives: the node's own, or that of its
  // only child, and so on down. Fatal as GetMaterial is when there is none or more than one.
  const std::shared_ptr<Primitive>& GetMaterialPrimitive(const Node& node);
  // World matrices of the node's instances, combined down the tree as the draw does: every
  // parent instance with every child instance, parent-major. An empty `out` starts as the
  // identity; a node (or ancestor) without instances gives an empty list.
  void GetInstances(uint32_t node_index, std::vector<glm::mat4>& out);
  // Axis-aligned world box of the named subtree (the empty name: the whole tree); fatal when
  // no visible, enabled node has the name. Nothing measured leaves min 999999, max -999999.
  void GetNodeBBox(const std::string& name, glm::vec3& min, glm::vec3& max);
  void DumpTree(bool enabled_only, uint32_t node_index, uint32_t depth);

  // --- Building (objects3d_build.cpp) ---
  Node& AddMasterNode();
  Node& AddNode(const std::string& name, int32_t parent);
  Mesh& AddMesh();
  void SetPrimitiveMaterial(const std::shared_ptr<Primitive>& primitive,
                            const std::shared_ptr<Material>& material);
  // A new mesh holding the primitive, which joins the primitive list if it is not there yet;
  // a primitive without indices gets 0 .. N-1.
  Mesh& CreateMesh(const std::shared_ptr<Primitive>& primitive);
  // A new node "child-{n}" under `parent` (null: the master node, made when missing) drawing
  // the mesh (a mesh not in the list is replaced by a new empty one).
  Node& AddObject(const Mesh* mesh, Node* parent);
  Node& AddPrimitive(const std::shared_ptr<Primitive>& primitive,
                     const std::shared_ptr<Material>& material, Node* parent);
  std::shared_ptr<Camera>& AddCamera();
  // Window size for render targets and the shadow map; walks the light-marker chain too.
  void Resize(uint32_t width, uint32_t height, float aspect);

  // --- Animation (objects3d_animate.cpp) ---
  // Plays the first animation at `time`, looping over its length (time 0 for a length of 0 or
  // not a number).
  void Animate(float time);

  // --- Draw side (objects3d_draw.cpp, with util/light and objects3d/context) ---
  std::shared_ptr<Light>& AddLight();
  // Gives every light the near/far planes and face projection of the scene size.
  void SetLightShadowPlanes(const ShadowPlanes& planes);
  // The light part of Resize: remakes the shared shadow cube map at ShadowMapSize when the
  // size changed and the map exists.
  void ResizeLights(uint32_t width, uint32_t height);
  void Draw();
  void DrawNormal();
  void DrawShadowed();
  void DrawLightMarkers(float size);
  void DrawDebugBBox(const std::string& node_name);
  // Render targets and the upload of every primitive's buffers (needs the GL context).
  void Prewarm();
  // Uploads the buffers of every primitive drawn in the subtree, `depth` levels below the root.
  void UpdateBuffers(const Node& node, size_t depth = 0);

  // Switches and fields set by scenes between frames.
  glm::mat4 screen_matrix{1.0f};
  int32_t cur_cam = 0;
  int32_t render_width = -1;
  int32_t render_height = -1;
  float aspect = -1.0f;
  uint8_t lights_enabled = 1;
  uint8_t shadows_enabled = 0;
  uint8_t glow_enabled = 0;
  uint8_t dof_enabled = 0;
  uint8_t shadow_cull_front = 0;
  uint8_t draw_light_markers = 0;
  float light_marker_size = 1.0f;
  uint8_t draw_bbox = 0;
  // The main pass starts from the depth of every opaque surface, so that it shades each pixel
  // once rather than once per overlapping surface; the picture is the same either way.
  uint8_t depth_prepass = 1;
  // The glow composite blurs only around what emits light; the picture is the same either way.
  uint8_t glow_bounded = 1;
  // With shadows, the first shadowed light is shaded in the same draw as the image-based light
  // and the emission, rather than in an additive pass of its own; further shadowed lights keep
  // theirs. Off draws the ambient pass and one additive pass per light. The picture is the same
  // either way, but for seen-through surfaces: in one draw they take the light as well, and dim
  // the light of what lies behind them.
  uint8_t one_pass_light = 1;
  // With one_pass_light, every shadowed light (up to the lights a draw takes) is shaded in that
  // one draw, each reading a cube map of its own, rather than the first alone; each light beyond
  // saves a rasterisation and a material evaluation per pixel. The picture is the same either
  // way, but for seen-through surfaces, as above.
  uint8_t shadowed_lights_in_one_draw = 1;
  // The glow picture is drawn and blurred at half the width and height and the blurred picture
  // is stretched over the frame: a quarter of the pixels to shade. The blur spreads each emitter
  // over several pixels, so the frame comes out nearly the same as at full size.
  uint8_t glow_half_size = 1;
  // With glow_half_size, the glow picture itself is still drawn at the frame's size (and only
  // blurred at half size), for a caller that reads the picture (glow_fbo) and needs its detail.
  uint8_t glow_picture_full_size = 0;
  // The linear-light resolve reads the frame's depth only when the target takes it (depth test
  // on, depth writes allowed); the picture is the same either way.
  uint8_t resolve_reads_depth_only_when_written = 1;
  // The resolve runs a program made for the frame (single- or multisampled, depth read or not,
  // light added or not) rather than one that decides each by a uniform at every pixel; the
  // picture is the same either way.
  uint8_t resolve_variant_programs = 1;
  // The linear-light frame takes one sample a pixel while the caller draws with multisampling
  // off, whatever the target's sample count: every sample of a pixel would hold the same light
  // and depth, and the resolve writes its one value to all of them. The picture is the same
  // either way.
  uint8_t linear_frame_single_sampled_without_multisampling = 1;
  // A primitive is drawn only into the shadow cube faces its bounds reach, a face is not drawn
  // again while what it would hold is unchanged, and a face no surface in view reads is not
  // drawn; the picture is the same either way.
  uint8_t shadow_face_culling = 1;
  uint8_t shadow_face_cache = 1;
  uint8_t shadow_face_skip_unseen = 1;
  // A face is cleared and drawn only within the rectangle that the surfaces in view can read
  // of it (their parts inside the camera's frustum, seen from the light, with the texels the
  // filtered lookup strays); the picture is the same either way.
  uint8_t shadow_face_scissor = 1;
  // With culling, an instanced primitive goes into a face with only the instances whose bounds
  // reach it (and the rectangle drawn of it), not with all of them; the picture is the same
  // either way.
  uint8_t shadow_face_copy_culling = 1;
  // Each opaque primitive whose triangles close up into a solid is drawn without back faces
  // while the eye of the pass (the camera, or the light for its shadow faces) lies outside every
  // copy drawn (see ClosedSolidCulling); the picture is the same but for faces seen exactly
  // edge-on. Passes that cull a side themselves keep theirs.
  uint8_t closed_primitive_culling = 1;
  // What the camera's passes know of this model's closed solids; made with the first draw.
  std::shared_ptr<ClosedSolidCulling> closed_solid_culling;
  // Draws the shadow faces; made with the first shadowed frame.
  std::shared_ptr<ShadowFaceRenderer> shadow_faces;
  std::unique_ptr<FBO> glow_fbo;
  // The pixels of the frame the last glow picture can be lit in (the emitters' rectangle, grown
  // for the texture filtering); the whole target when they cannot be bounded.
  PixelRect glow_picture_area;
  // The blurred glow picture, at the size it is blurred at; the linear-light frame's resolve
  // adds it.
  std::unique_ptr<FBO> glow_blur_fbo;
  // Light the caller adds with the glow; none when null.
  std::shared_ptr<AddedLight> added_light;
  // The blurred glow stretched to the frame's size with added_light drawn onto it.
  std::unique_ptr<FBO> added_light_fbo;
  std::unique_ptr<FBO> dof_fbo;
  // The linear-light frame: the passes of a frame with shadows or glow add their light here
  // and the frame is display-encoded once onto the caller's target. Made on first need, with
  // the caller's sample count (one without multisampling, see above).
  std::unique_ptr<FBO> linear_fbo;
  std::unique_ptr<Effects::SkyBox> skybox;
  uint8_t skybox_enabled = 0;
  // Made with the scene; its IBL textures are filled in by the first draw.
  std::shared_ptr<RenderContext> render_context;
  Objects3DData data;
  std::shared_ptr<Objects3D> light_marker;

 private:
  void InitSharedResources();
  bool bbox_internal(const Node& node, size_t depth, const std::string& name, glm::vec3& min,
                     glm::vec3& max,
                     bool inside);
};
