// The light of a frame adds up in linear space and is display-encoded once: shadows on match
// shadows off wherever no shadow falls, a see-through surface looks the same through the
// linear-light frame as drawn straight onto the target, glow and the light a caller adds add
// to the light before the encoding, and a scene's first frame already has the exposure and IBL
// colour set before it.

#include <algorithm>
#include <cstdlib>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/added_light.h"
#include "objects3d/context/rendercontext.h"
#include "objects3d/procedural.h"
#include "render_scene.h"
#include "util/camera/camera.h"
#include "util/fbo/fbo.h"

namespace {

constexpr int kMid = kSide / 2;

class LinearLightTest : public GLTest {};

// How far b is brighter than a at most, over every channel of every pixel.
int LargestBrightening(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int largest = 0;
  for (size_t i = 0; i < a.size(); ++i) largest = std::max(largest, b[i] - a[i]);
  return largest;
}

// The largest difference of any colour channel (alpha left out) of any pixel.
int LargestColourDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int largest = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    if (i % 4 != 3) largest = std::max(largest, std::abs(a[i] - b[i]));
  }
  return largest;
}

// Pixels of which some channel differs by more than the tolerance.
int CountDifferent(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int tolerance) {
  int count = 0;
  for (size_t i = 0; i < a.size(); i += 4) {
    for (size_t k = i; k < i + 4; ++k) {
      if (std::abs(a[k] - b[k]) > tolerance) {
        ++count;
        break;
      }
    }
  }
  return count;
}

// Two cubes side by side, a rough one and a metal one, lit from in front: each casts its
// shadow behind itself into empty space, so no shadow falls on anything seen.
std::unique_ptr<Objects3D> UnshadowedPair(float intensity) {
  auto scene = MakeScene({0, 1, 5});
  Node& rough = scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)),
                                    LitMaterial({0.8f, 0.5f, 0.3f, 1}, 1.0f, 0.0f), nullptr);
  rough.instances[0] = glm::translate(glm::mat4(1.0f), {-1.0f, 0, 0});
  Node& metal = scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)),
                                    LitMaterial({0.9f, 0.9f, 0.9f, 1}, 0.3f, 1.0f), nullptr);
  metal.instances[0] = glm::rotate(glm::translate(glm::mat4(1.0f), {1.0f, 0, 0}), 0.5f,
                                   glm::vec3(0, 1, 0));
  AddPointLight(*scene, {0, 1.5f, 3}, intensity);
  return scene;
}

TEST_F(LinearLightTest, ShadowsOnMatchShadowsOffWhereNoShadowFalls) {
  const struct {
    const char* what;
    float intensity;
    float exposure;
    int samples;
    // Each light in an additive pass of its own, after the image-based light's.
    bool pass_per_light;
    float lit_at_least;
  } cases[] = {
      {"plain", 15.0f, 1.0f, 0, false, 30.0f},
      {"light beyond white", 300.0f, 1.0f, 0, false, 30.0f},
      {"exposed", 15.0f, 3.0f, 0, false, 30.0f},
      {"multisampled", 15.0f, 1.0f, 4, false, 30.0f},
      // Light of a few thousandths, which eight bits a channel of linear light cannot hold.
      {"dark, a pass per light", 15.0f, 0.02f, 0, true, 8.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto scene = UnshadowedPair(c.intensity);
    scene->render_context->exposure = c.exposure;
    scene->one_pass_light = c.pass_per_light ? 0 : 1;
    const auto off = RenderSampled(*scene, c.samples);
    scene->shadows_enabled = 1;
    const auto on = RenderSampled(*scene, c.samples);
    EXPECT_GT(MeanOver(off, kMid - 18, kMid - 2, 4, 3), c.lit_at_least) << "the rough cube is lit";
    // A shadow only darkens: nothing may come out brighter with shadows on.
    EXPECT_LE(LargestBrightening(off, on), 2);
    // Every pixel equals the unshadowed picture but for the few along the cubes' edges where
    // the shadow map's resolution lets a surface shade itself.
    EXPECT_LE(CountDifferent(off, on, 2), kSide * kSide / 200);
    EXPECT_TRUE(NoGLError());
  }
}

// A square wall at z = 0 facing the camera, its triangles listed by `indices` over the corners
// (1,1), (-1,1), (-1,-1), (1,-1); a cube stands behind it, out of the camera's sight.
std::unique_ptr<Objects3D> WallBeforeBox(const std::vector<uint32_t>& indices, int lights) {
  auto scene = MakeScene({0.3f, 0.2f, 3});
  auto wall = MakeSquare(1.0f);
  wall->positions = {1, 1, 0, -1, 1, 0, -1, -1, 0, 1, -1, 0};
  wall->indices = indices;
  scene->AddPrimitive(wall, LitMaterial({0.3f, 0.5f, 0.8f, 1}, 1.0f, 0.0f), nullptr);
  Node& box = scene->AddPrimitive(MakeCube(glm::vec3(1.0f), glm::vec3(1.0f)),
                                  LitMaterial({0.8f, 0.4f, 0.8f, 1}, 1.0f, 0.0f), nullptr);
  box.instances[0] = glm::translate(glm::mat4(1.0f), {0, 0, -1.0f});
  AddPointLight(*scene, {-1.0f, 1.0f, 2.0f}, 6.0f);
  if (lights > 1) AddPointLight(*scene, {1.0f, -0.5f, 2.0f}, 4.0f);
  return scene;
}

// Each light reaches each pixel of the wall once, however many of its triangles cover it: the
// lit wall equals the unshadowed picture.
TEST_F(LinearLightTest, CoplanarTrianglesTakeEachLightOnce) {
  const std::vector<uint32_t> overlapping = {0, 1, 2, 1, 2, 3, 2, 3, 0};
  const struct {
    const char* what;
    std::vector<uint32_t> indices;
    int lights;
    int samples;
  } cases[] = {
      {"two triangles", {0, 1, 2, 0, 2, 3}, 1, 0},
      {"overlapping triangles", overlapping, 1, 0},
      {"the face twice", {0, 1, 2, 0, 2, 3, 0, 1, 2, 0, 2, 3}, 1, 0},
      {"two lights", overlapping, 2, 0},
      {"multisampled", overlapping, 1, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto scene = WallBeforeBox(c.indices, c.lights);
    scene->render_context->ibl_color = glm::vec4(0.2f);
    // The lights are added in a pass of their own, which meets the ambient pass's depth.
    scene->one_pass_light = 0;
    const auto off = RenderSampled(*scene, c.samples);
    scene->shadows_enabled = 1;
    const auto on = RenderSampled(*scene, c.samples);
    EXPECT_GT(MeanOver(off, kMid - 4, kMid - 4, 8, 3), 40.0f) << "the wall is lit";
    EXPECT_LE(LargestBrightening(off, on), 2);
    EXPECT_LE(CountDifferent(off, on, 2), kSide * kSide / 200);
    EXPECT_TRUE(NoGLError());
  }
}

// A grey square at half coverage, lit from in front: nothing shadows it.
TEST_F(LinearLightTest, SeeThroughSurfaceLooksAsDrawnStraightOntoTheTarget) {
  const struct {
    const char* what;
    bool glow;
    bool shadows;
    Blending blending;
    int samples;
  } cases[] = {
      {"shadows, laid over", false, true, Blending::kOver, 0},
      {"glow, laid over", true, false, Blending::kOver, 0},
      {"glow and shadows, multisampled", true, true, Blending::kOver, 4},
      {"shadows, added", false, true, Blending::kAdd, 0},
      {"glow, added", true, false, Blending::kAdd, 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto scene = MakeScene({0, 0, 3});
    scene->AddPrimitive(MakeSquare(0.6f), LitMaterial({0.5f, 0.5f, 0.5f, 0.5f}, 1.0f, 0.0f), nullptr);
    AddPointLight(*scene, {0.5f, 0.5f, 2}, 3.0f);
    const auto plain = RenderBlended(*scene, c.samples, c.blending);
    EXPECT_GT(LargestColourDifference(plain, RenderBlended(*scene, c.samples, Blending::kNone)), 20)
        << "the square lets the background through";
    scene->glow_enabled = c.glow ? 1 : 0;
    scene->shadows_enabled = c.shadows ? 1 : 0;
    const auto framed = RenderBlended(*scene, c.samples, c.blending);
    // The target's alpha is not compared: drawn straight, a surface of coverage a leaves a * a
    // there; the frame leaves its coverage.
    EXPECT_LE(LargestColourDifference(plain, framed), 2);
    EXPECT_TRUE(NoGLError());
  }
}

// Light of one colour over the whole frame, as a caller adds it.
class FlatLight : public AddedLight {
 public:
  explicit FlatLight(const glm::vec3& light) : light_(light) {}
  PixelRect Area(const Objects3D& s) override { return {0, 0, s.render_width, s.render_height}; }
  void Draw(const Objects3D&) override { DrawFlatSquare(0.5f, glm::vec4(light_, 1.0f)); }

 private:
  glm::vec3 light_;
};

// A lit grey square that emits green (glow adds the emission once more), or light a caller adds
// over the frame. Added as light, the picture equals the same square emitting that much more
// without glow.
TEST_F(LinearLightTest, GlowAndAddedLightAddToTheLightBeforeTheEncoding) {
  const glm::vec3 green(0.0f, 0.3f, 0.0f);
  const struct {
    const char* what;
    bool shadows;
    glm::vec3 emission;
    glm::vec3 added;
  } cases[] = {
      {"glow", false, green, glm::vec3(0.0f)},
      {"glow, shadows", true, green, glm::vec3(0.0f)},
      {"light the caller adds", false, glm::vec3(0.0f), green},
      {"light the caller adds, shadows", true, glm::vec3(0.0f), {0.2f, 0.0f, 0.1f}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    auto scene = MakeScene({0, 0, 3});
    auto material = LitMaterial({0.3f, 0.3f, 0.3f, 1}, 1.0f, 0.0f);
    scene->AddPrimitive(MakeSquare(1.0f), material, nullptr);
    AddPointLight(*scene, {0, 0, 2}, 2.0f);
    scene->render_context->ibl_color = glm::vec4(0.0f);
    scene->shadows_enabled = c.shadows ? 1 : 0;
    material->emissive = c.emission;
    scene->added_light = std::make_shared<FlatLight>(c.added);
    scene->glow_enabled = 1;
    const auto lit = RenderSampled(*scene, 0);
    material->emissive = 2.0f * c.emission + c.added;
    scene->glow_enabled = 0;
    const auto emitting = RenderSampled(*scene, 0);
    for (int channel = 0; channel < 3; ++channel) {
      EXPECT_NEAR(MeanOver(lit, kMid - 4, kMid - 4, 8, channel),
                  MeanOver(emitting, kMid - 4, kMid - 4, 8, channel), 3.0f)
          << "channel " << channel;
    }
    EXPECT_TRUE(NoGLError());
  }
}

// A scene that sets its exposure and sky colour before it ever drew: the first frame has them.
TEST_F(LinearLightTest, FirstFrameAlreadyHasTheScenesValues) {
  const struct {
    const char* what;
    float exposure;
    glm::vec4 ibl_color;
    bool lit;
  } cases[] = {
      {"defaults", 1.0f, glm::vec4(1.0f), true},
      {"exposure 0", 0.0f, glm::vec4(1.0f), false},
      {"black sky", 1.0f, glm::vec4(0.0f), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Objects3D scene;
    scene.AddMasterNode();
    Camera& camera = *scene.AddCamera();
    camera.LookAt(0, 0, 3, 0, 0, 0, 0, 1, 0);
    camera.SetNearFar(0.1f, 100.0f);
    scene.Resize(kSide, kSide, 1.0f);
    scene.AddPrimitive(MakeSquare(1.0f), LitMaterial({1, 1, 1, 1}, 1.0f, 0.0f), nullptr);
    scene.render_context->exposure = c.exposure;
    scene.render_context->ibl_color = c.ibl_color;
    const float first = MeanOver(Render(scene), kMid - 4, kMid - 4, 8, 3);
    if (c.lit) {
      EXPECT_GT(first, 30.0f);
    } else {
      EXPECT_LT(first, 1.0f);
    }
    EXPECT_TRUE(NoGLError());
  }
}

}  // namespace
