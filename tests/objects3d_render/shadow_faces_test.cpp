// Shadow faces drawn with per-face culling, kept from frame to frame and left alone while no
// surface in view reads them show the same shadows as faces drawn whole every frame, whatever
// changes between frames; and a face whose contents did not change is not drawn again.

#include <cstdlib>
#include <functional>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "objects3d/procedural.h"
#include "objects3d/shadow_faces.h"
#include "render_scene.h"
#include "util/camera/camera.h"
#include "util/light/light.h"
#include "util/light/shadowcubemap.h"

namespace {

class ShadowFacesTest : public GLTest {};

glm::mat4 At(const glm::vec3& where) { return glm::translate(glm::mat4(1.0f), where); }

// A tiled floor under a light, a cube below the light (in its -Y face only) and three small cubes
// drawn as one instanced primitive.
struct Stage {
  std::unique_ptr<Objects3D> scene;
  Node* cube = nullptr;
  Node* crowd = nullptr;
  Light* light = nullptr;
};

Stage MakeStage(bool second_light) {
  Stage s;
  s.scene = MakeScene({0, 5, 5});
  Objects3D& o = *s.scene;
  o.shadows_enabled = 1;
  o.depth_prepass = 0;
  // Sixteen tiles, so that the camera can see part of the floor by the tiles' bounds.
  Node& floor = o.AddPrimitive(MakePlane(2, 2, 1), LitMaterial({1, 1, 1, 1}, 1, 0), nullptr);
  floor.instances.clear();
  for (int i = 0; i < 16; ++i) {
    floor.instances.push_back(At({-3.0f + 2.0f * (i % 4), -1, -3.0f + 2.0f * (i / 4)}));
  }
  s.cube = &o.AddPrimitive(MakeCube(glm::vec3(0.8f), glm::vec3(1.0f)),
                           LitMaterial({0.8f, 0.3f, 0.2f, 1}, 0.5f, 0), nullptr);
  s.cube->instances[0] = At({0.6f, 0, 0});
  s.crowd = &o.AddPrimitive(MakeCube(glm::vec3(0.4f), glm::vec3(1.0f)),
                            LitMaterial({0.2f, 0.6f, 0.3f, 1}, 0.5f, 0), nullptr);
  s.crowd->instances = {At({-1.2f, -0.4f, -0.8f}), At({-1.5f, -0.4f, 0.8f}), At({0, -0.4f, 1.4f})};
  s.light = &AddPointLight(o, {0, 2.5f, 0}, 40.0f);
  if (second_light) AddPointLight(o, {-2, 1.5f, 2}, 25.0f);
  // Sizing a scene asks for a map as wide as its target when one exists already: every stage
  // draws at the lights' own size, so that runs compare shadows of one resolution.
  RequestShadowCubeMapSize(s.light->shadow_size);
  return s;
}

// A scene of its own that draws its shadow faces into the shared map whole, every frame.
void SetSavings(Objects3D& scene, uint8_t on) {
  scene.shadow_face_culling = on;
  scene.shadow_face_cache = on;
  scene.shadow_face_skip_unseen = on;
  scene.shadow_face_scissor = on;
  scene.shadow_face_copy_culling = on;
}

// The three small cubes apart, each in another face of the light: one beside it on either side
// (the -X and +X faces), casting onto the floor's edges, and one below it (the -Y face).
void SpreadCrowd(Stage& s) {
  s.crowd->instances = {At({-1.9f, 0.8f, 0}), At({1.9f, 0.8f, 0.2f}), At({0, -0.4f, 1.4f})};
}

// Each of the small cubes with its own colour, which the lit passes read per instance.
void ColourCrowd(Stage& s) {
  s.scene->GetMaterial(*s.crowd)->instance_base_colors = {
      {0.2f, 0.6f, 0.3f, 1}, {0.7f, 0.7f, 0.2f, 1}, {0.3f, 0.3f, 0.8f, 1}};
}

// Looks straight down at the floor under the light from close by: only the light's -Y face
// lights what the camera sees.
void LookDown(Stage& s) {
  s.scene->data.cameras[0]->LookAt(0, 1.2f, 0.01f, 0, -1, 0, 0, 1, 0);
}

void DrawIntruder() {
  Stage other = MakeStage(false);
  SetSavings(*other.scene, 0);
  other.cube->instances[0] = At({0, 1.5f, 0});
  Render(*other.scene);
}

int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  int largest = a.size() == b.size() ? 0 : 255;
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    largest = std::max(largest, std::abs(a[i] - b[i]));
  }
  return largest;
}

struct Case {
  const char* name;
  bool second_light;
  // Changes the stage before frame 1, 2, ...
  std::function<void(Stage&, int)> change;
};

const Case kCases[] = {
    {"still scene", false, [](Stage&, int) {}},
    {"a caster moves", false,
     [](Stage& s, int frame) {
       if (frame == 1) s.cube->instances[0] = At({-0.4f, 0, 0.5f});
     }},
    {"the light moves", false,
     [](Stage& s, int frame) {
       if (frame == 1) s.light->position = glm::vec4(0.8f, 2.2f, -0.6f, 1.0f);
     }},
    {"instances move", false,
     [](Stage& s, int frame) {
       if (frame == 1) s.crowd->instances[1] = At({0.8f, -0.2f, 1.2f});
     }},
    {"a node is hidden and shown", false,
     [](Stage& s, int frame) { s.cube->visible = frame == 1 ? 0 : 1; }},
    {"a subtree is disabled", false,
     [](Stage& s, int frame) {
       if (frame == 1) s.crowd->enabled = 0;
     }},
    {"vertices change", false,
     [](Stage& s, int frame) {
       if (frame != 1) return;
       Primitive& p = *s.scene->GetMesh(s.cube->meshes[0]).primitives[0];
       for (float& v : p.positions) v *= 1.8f;
       p.dirty = 1;
     }},
    {"a caster turns translucent", false,
     [](Stage& s, int frame) {
       if (frame == 1) s.scene->GetMaterial(*s.cube)->base_color.a = 0.5f;
     }},
    {"two lights share the map", true,
     [](Stage& s, int frame) {
       if (frame == 2) s.cube->instances[0] = At({-0.4f, 0, 0.5f});
     }},
    {"another scene draws into the map", false,
     [](Stage&, int frame) {
       if (frame == 1) DrawIntruder();
     }},
    // Frame 1 moves a cube into the -X face, which nothing in view reads; frame 2 looks at it.
    {"the camera turns to a face left alone", false,
     [](Stage& s, int frame) {
       if (frame == 0) LookDown(s);
       if (frame == 1) s.crowd->instances[1] = At({-3.4f, -0.6f, 0.3f});
       if (frame == 2) s.scene->data.cameras[0]->LookAt(-3, 3, 4, -3, -1, 0, 0, 1, 0);
     }},
    // Nothing moves but the camera, which looks at other parts of the floor each frame: the
    // faces kept from the frame before hold the shadows only where that frame looked.
    {"copies sit in different faces", false,
     [](Stage& s, int frame) {
       if (frame == 0) SpreadCrowd(s);
       if (frame == 1) s.crowd->instances[0] = At({-1.7f, 1.2f, -0.4f});
       if (frame == 2) s.crowd->instances[2] = At({0.3f, -0.2f, -1.2f});
     }},
    {"copies with their own colours sit in different faces", false,
     [](Stage& s, int frame) {
       if (frame == 0) {
         SpreadCrowd(s);
         ColourCrowd(s);
       }
       if (frame == 1) s.crowd->instances[1] = At({1.2f, -0.2f, 0.4f});
     }},
    {"the camera pans over the floor", false,
     [](Stage& s, int frame) {
       Camera& camera = *s.scene->data.cameras[0];
       if (frame == 0) camera.LookAt(1.5f, 1.0f, 1.5f, 2.5f, -1, 2.5f, 0, 1, 0);
       if (frame == 1) camera.LookAt(-1.5f, 1.0f, 1.5f, -2.5f, -1, 2.5f, 0, 1, 0);
       if (frame == 2) camera.LookAt(0, 5, 5, 0, 0, 0, 0, 1, 0);
     }},
};

constexpr int kFrames = 3;

std::vector<std::vector<uint8_t>> Frames(const Case& c, bool saving) {
  Stage stage = MakeStage(c.second_light);
  SetSavings(*stage.scene, saving ? 1 : 0);
  std::vector<std::vector<uint8_t>> frames;
  for (int frame = 0; frame < kFrames; ++frame) {
    c.change(stage, frame);
    frames.push_back(Render(*stage.scene));
  }
  return frames;
}

TEST_F(ShadowFacesTest, CulledAndKeptFacesShowTheSameShadows) {
  for (const Case& c : kCases) {
    const auto kept = Frames(c, true);
    const auto whole = Frames(c, false);
    for (int frame = 0; frame < kFrames; ++frame) {
      EXPECT_LE(LargestDifference(kept[frame], whole[frame]), 1) << c.name << ", frame " << frame;
    }
  }
  EXPECT_TRUE(NoGLError());
}

// The shadows are in the picture: without them the floor under the cube is lit.
TEST_F(ShadowFacesTest, TheStageShowsItsShadows) {
  Stage stage = MakeStage(false);
  const auto shadowed = Render(*stage.scene);
  stage.cube->visible = 0;
  stage.crowd->visible = 0;
  const auto bare = Render(*stage.scene);
  EXPECT_GT(LargestDifference(shadowed, bare), 40);
  EXPECT_TRUE(NoGLError());
}

TEST_F(ShadowFacesTest, OnlyFacesWhoseContentsChangeAreDrawn) {
  struct Expect {
    const char* name;
    std::function<void(Stage&)> change;
    int faces;
  };
  const Expect cases[] = {
      {"nothing changes", [](Stage&) {}, 0},
      {"the cube moves below the light",
       [](Stage& s) { s.cube->instances[0] = At({-0.3f, 0, 0.2f}); }, 1},
      {"the light moves", [](Stage& s) { s.light->position.x += 0.1f; }, 4},
      {"the map is used by another scene", [](Stage&) { DrawIntruder(); }, 4},
      // The -Y face was drawn only where the first camera looked.
      {"the camera looks down under the light", [](Stage& s) { LookDown(s); }, 1},
      {"the light moves in view of only one face", [](Stage& s) {
         LookDown(s);
         s.light->position.x += 0.1f;
       }, 1},
      // It leaves the -Y face, which is drawn again; the +Y face it enters is out of view.
      {"a cube goes from below the light to above it", [](Stage& s) {
         LookDown(s);
         s.crowd->instances[2] = At({0, 4, 0});
       }, 1},
  };
  for (const Expect& c : cases) {
    Stage stage = MakeStage(false);
    Render(*stage.scene);
    // Nothing in view lies above the light, nor in its +Z face, which looks at the camera over
    // the floor's near edge: those faces are never needed.
    EXPECT_EQ(stage.scene->shadow_faces->last_stats().faces_drawn, 4) << c.name;
    c.change(stage);
    Render(*stage.scene);
    EXPECT_EQ(stage.scene->shadow_faces->last_stats().faces_drawn, c.faces) << c.name;
  }
  EXPECT_TRUE(NoGLError());
}

// Looking down at a patch of floor under the light, the one face read is drawn only around the
// patch and the cube above it; drawn whole, the face is cleared and drawn all over.
TEST_F(ShadowFacesTest, AFaceIsDrawnOnlyWhereItIsRead) {
  for (const bool scissor : {true, false}) {
    Stage stage = MakeStage(false);
    stage.scene->shadow_face_scissor = scissor ? 1 : 0;
    LookDown(stage);
    Render(*stage.scene);
    const ShadowFaceStats& stats = stage.scene->shadow_faces->last_stats();
    const int64_t side = stage.light->shadow_map->size();
    EXPECT_EQ(stats.faces_drawn, 1) << scissor;
    if (scissor) {
      EXPECT_LT(stats.texels_drawn, side * side / 4);
    } else {
      EXPECT_EQ(stats.texels_drawn, side * side);
    }
  }
  EXPECT_TRUE(NoGLError());
}

// With copy culling a face takes only the small cubes that reach it, and the shadows are the
// same as when every face that takes one of them takes all three.
TEST_F(ShadowFacesTest, AFaceDrawsOnlyTheCopiesThatReachIt) {
  struct Arrangement {
    const char* name;
    std::function<void(Stage&)> arrange;
  };
  const Arrangement arrangements[] = {
      {"the stage's crowd", [](Stage&) {}},
      {"copies in different faces", SpreadCrowd},
      {"coloured copies in different faces", [](Stage& s) {
         SpreadCrowd(s);
         ColourCrowd(s);
       }},
  };
  for (const Arrangement& a : arrangements) {
    std::vector<uint8_t> pictures[2];
    int64_t copies[2] = {0, 0};
    for (const uint8_t on : {0, 1}) {
      Stage stage = MakeStage(false);
      stage.scene->shadow_face_copy_culling = on;
      a.arrange(stage);
      pictures[on] = Render(*stage.scene);
      copies[on] = stage.scene->shadow_faces->last_stats().copies_drawn;
    }
    EXPECT_LE(LargestDifference(pictures[1], pictures[0]), 1) << a.name;
    EXPECT_LT(copies[1], copies[0]) << a.name;
  }
  EXPECT_TRUE(NoGLError());
}

}  // namespace
