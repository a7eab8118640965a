// Renders one glTF model for the reference check against three.js.
//
//   reference_render <output folder> <model.gltf|.glb>...
//
// Loads each model as the model viewer does (its floor hidden, its default lights replaced by
// one point light), frames its bounding box with one camera and draws it at 256 x 256 under
// the shared image-based light with no tone curve: once with the image-based light alone
// (<folder>/<stem>_ours_ibl.png) and once with the point light and its shadow
// added (<stem>_ours_light.png). The camera, the light, the background and the environment
// faces go to <stem>.json, which the three.js page reads, so both sides are set up from one
// place. Prints "drawn <model>" after each model. Runs from the repository root (the shared
// resources are found by relative paths). Stops at the first model it cannot draw.

#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <glm/glm.hpp>
#include <nlohmann/json.hpp>
#include <stb_image_write.h>

#include "objects3d_render/render_scene.h"
#include "objects3d/shared_resources.h"
#include "scenes/scene_gltf/gltf_scene.h"
#include "scenes/scene_gltf/viewerlayout.h"
#include "system/hidden_gl_context.h"
#include "system/messagebox.h"
#include "util/camera/camera.h"
#include "util/gpuresources/gpuresources.h"
#include "util/light/light.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr int kPictureSide = 256;
constexpr float kYfov = 45.0f;
// The camera looks at the centre from in front, a little from the right and above; it stands
// far enough for the bounding sphere to fit the narrower half-angle of the view.
const glm::vec3 kViewDirection = glm::normalize(glm::vec3(0.45f, 0.35f, 1.0f));
// The light stands in front, to the left and above, so that the faces the camera sees are lit
// at different angles; its intensity grows with the model's area so that every model gets
// about the same light (a third of the image-based light's brightness on a white face).
const glm::vec3 kLightOffset(-0.6f, 0.8f, 0.9f);
constexpr float kLightIntensityPerArea = 2.0f;
// The background: a dark grey that no model's colour is measured against (the comparison
// masks by alpha, which is 0 here).
const glm::vec4 kBackground(0.1f, 0.1f, 0.12f, 0.0f);
constexpr float kAnimationTime = 0.0f;
constexpr int kShadowSize = 512;

int gl_errors = 0;

void GLAPIENTRY OnDebugMessage(GLenum, GLenum type, GLuint, GLenum, GLsizei, const GLchar* text,
                               const void*) {
  if (type != GL_DEBUG_TYPE_ERROR) return;
  ++gl_errors;
  std::fprintf(stderr, "GL error: %s\n", text);
}

void EnableDebugOutput() {
  glEnable(GL_DEBUG_OUTPUT);
  glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
  glDebugMessageCallback(OnDebugMessage, nullptr);
}

Json Vec3(const glm::vec3& v) { return Json::array({v.x, v.y, v.z}); }

struct Setup {
  glm::vec3 eye;
  glm::vec3 target;
  float near_plane;
  float far_plane;
  glm::vec3 light_position;
  glm::vec3 light_color;
  float light_intensity;
};

Setup FrameModel(const GltfScene& model) {
  const float radius = 0.5f * model.size;
  const float distance = radius / std::sin(glm::radians(0.5f * kYfov));
  Setup setup;
  setup.target = model.centre;
  setup.eye = model.centre + kViewDirection * distance;
  setup.near_plane = 0.01f * model.size;
  setup.far_plane = 10.0f * model.size;
  setup.light_position = model.centre + kLightOffset * model.size;
  setup.light_color = DefaultLights()[0].color;
  setup.light_intensity = kLightIntensityPerArea * model.size * model.size;
  return setup;
}

Json EnvironmentFaces() {
  Json faces;
  const fs::path root = fs::current_path();
  for (const char* face : {"posx", "negx", "posy", "negy", "posz", "negz"}) {
    const std::string key = std::string(face[0] == 'p' ? "p" : "n") + face[3];
    faces[key] = (root / (std::string(kEnvSpecularPrefix) + face + "." + kEnvSpecularExtension))
                     .string();
  }
  return faces;
}

Json Job(const std::string& name, const std::string& model, const std::string& prefix,
         const Setup& setup, float size) {
  return Json{
      {"name", name},
      {"model", fs::absolute(model).lexically_normal().string()},
      {"width", kPictureSide},
      {"height", kPictureSide},
      {"animation_time", kAnimationTime},
      {"model_size", size},
      {"camera",
       {{"eye", Vec3(setup.eye)},
        {"target", Vec3(setup.target)},
        {"up", Vec3(glm::vec3(0, 1, 0))},
        {"yfov_degrees", kYfov},
        {"aspect", 1.0},
        {"near", setup.near_plane},
        {"far", setup.far_plane}}},
      {"light",
       {{"position", Vec3(setup.light_position)},
        {"color", Vec3(setup.light_color)},
        {"intensity", setup.light_intensity},
        {"shadow_near", 0.001f * size},
        {"shadow_far", 2.0f * size}}},
      {"shadows", true},
      {"background", Json::array({kBackground.r, kBackground.g, kBackground.b, kBackground.a})},
      {"environment", {{"intensity", 1.0}, {"faces", EnvironmentFaces()}}},
      {"ours_ibl", prefix + "_ours_ibl.png"},
      {"ours_light", prefix + "_ours_light.png"},
      {"three_ibl", prefix + "_three_ibl.png"},
      {"three_light", prefix + "_three_light.png"},
  };
}

// The viewer's set-up without what three.js would not draw: the floor and the default lights.
void PrepareScene(GltfScene& model, const Setup& setup) {
  Objects3D& objects = model.objects;
  objects.GetNode(model.floor_node).visible = 0;
  for (auto& light : objects.data.lights) light->enabled = 0;
  objects.AddCamera()->LookAt(setup.eye.x, setup.eye.y, setup.eye.z, setup.target.x,
                              setup.target.y, setup.target.z, 0, 1, 0);
  Camera& camera = *objects.data.cameras.back();
  camera.SetYfov(kYfov);
  camera.SetNearFar(setup.near_plane, setup.far_plane);
  objects.cur_cam = static_cast<int32_t>(objects.data.cameras.size() - 1);
  objects.Animate(kAnimationTime);
}

void AddReferenceLight(GltfScene& model, const Setup& setup) {
  Light& light = *model.objects.AddLight();
  light.position = glm::vec4(setup.light_position, 1.0f);
  light.color = setup.light_color;
  light.intensity = setup.light_intensity;
  light.shadow_size = kShadowSize;
  light.shadow_near = 0.001f * model.size;
  light.shadow_far = 2.0f * model.size;
  light.projection = CubeFaceProjection(light.shadow_near, light.shadow_far);
  light.UpdateMatrix();
  model.objects.shadows_enabled = 1;
}

bool RenderTo(Objects3D& objects, const std::string& file) {
  const std::vector<uint8_t> pixels = Render(objects, kBackground, kPictureSide);
  return WritePng(file, pixels, kPictureSide, kPictureSide);
}

// Exit codes: 0 drawn, 1 the model was refused (the loader's fatal message ends the run with 1),
// 3 no GL context, 4 a GL error or an unwritable picture.
constexpr int kNoContext = 3;
constexpr int kFailed = 4;

// Draws one model: its job file and our two pictures.
int DrawModel(const std::string& model_path, const std::string& folder) {
  GltfScene model(model_path, false);
  model.Resize(kPictureSide, kPictureSide, 1.0f);
  uint64_t grid_counter = 0;
  model.Load(grid_counter);
  const Setup setup = FrameModel(model);
  PrepareScene(model, setup);
  const std::string name = fs::path(model_path).stem().string();
  const std::string prefix = (fs::path(folder) / name).string();
  std::ofstream(prefix + ".json") << Job(name, model_path, prefix, setup, model.size).dump(2);
  bool written = RenderTo(model.objects, prefix + "_ours_ibl.png");
  AddReferenceLight(model, setup);
  written = RenderTo(model.objects, prefix + "_ours_light.png") && written;
  for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) ++gl_errors;
  if (!written) std::fprintf(stderr, "cannot write the pictures of %s\n", prefix.c_str());
  if (!written || gl_errors > 0) return kFailed;
  std::printf("drawn %s\n", model_path.c_str());
  std::fflush(stdout);
  return 0;
}

int Run(const std::vector<std::string>& models, const std::string& folder) {
  std::unique_ptr<HiddenGLContext> context;
  try {
    context = std::make_unique<HiddenGLContext>(kPictureSide, kPictureSide);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s (run under xvfb-run)\n", error.what());
    return kNoContext;
  }
  GpuResources resources;
  EnableDebugOutput();
  // Holds the shared resources for the whole run, so the environment is prefiltered once and
  // not again for every model.
  Objects3D keep_shared_resources;
  for (const std::string& model : models) {
    const int result = DrawModel(model, folder);
    if (result != 0) return result;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Unfiltered PNG rows: the check reads them back without undoing filters.
  stbi_write_force_png_filter = 0;
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <output folder> <model.gltf|.glb>...\n", argv[0]);
    return 2;
  }
  // A refused model ends the run through a message box: print it instead of waiting.
  SetMessageBoxHandler([](const MessageBoxRequest& request) {
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    return MessageBoxResult::Ok;
  });
  try {
    return Run(std::vector<std::string>(argv + 2, argv + argc), argv[1]);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
