// Objects3D without a GL context: records, look-ups, world matrices, bounding boxes, building
// operations, shadow sizes and the instance count.

#include "objects3d/objects3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <type_traits>

#include <glm/gtc/matrix_transform.hpp>

#include "util/light/light.h"
#include "objects3d/procedural.h"
#include "support/messagebox_recorder.h"

namespace {

glm::mat4 Move(float x, float y = 0, float z = 0) { return glm::translate(glm::mat4(1), {x, y, z}); }

glm::vec3 Origin(const glm::mat4& m) { return glm::vec3(m[3]); }

TEST(Objects3DRecords, NewRecordsHaveTheirDefaults) {
  const Node node;
  EXPECT_EQ(node.visible, 1);
  EXPECT_EQ(node.enabled, 1);
  EXPECT_EQ(node.parent, -1);
  ASSERT_EQ(node.instances.size(), 1u);
  EXPECT_EQ(node.instances[0], glm::mat4(1));
  const Primitive primitive;
  EXPECT_EQ(primitive.draw_mode, 4u);
  EXPECT_TRUE(primitive.dirty && primitive.indices_dirty);
  EXPECT_EQ(primitive.position_components + primitive.normal_components, 0u);
  EXPECT_FALSE(primitive.buffers);
}

TEST(Objects3DRecords, MaterialPresets) {
  const struct {
    uint32_t preset;
    const char* name;
    glm::vec4 color;
  } cases[] = {{0, "DefaultRed", {0.67f, 0.12f, 0.12f, 1}},
               {4, "DefaultBlack", {0, 0, 0, 1}},
               {5, "DefaultWhite", {1, 1, 1, 1}},
               {7, "Uninitialized", {1, 1, 1, 1}}};
  for (const auto& c : cases) {
    const Material material(static_cast<MaterialPreset>(c.preset));
    EXPECT_EQ(material.name, c.name);
    EXPECT_EQ(material.base_color, c.color) << c.name;
    EXPECT_FLOAT_EQ(material.roughness, 0.9f);
  }
}

// A copy would hold the shared resources without having counted itself.
static_assert(!std::is_copy_constructible_v<Objects3D> && !std::is_copy_assignable_v<Objects3D>);
static_assert(!std::is_copy_constructible_v<Primitive>);

TEST(Objects3D, CountsLiveInstancesAndIsReadyWithoutGL) {
  const int32_t before = Objects3D::InstanceCount();
  {
    Objects3D a;
    Objects3D b;
    EXPECT_EQ(Objects3D::InstanceCount(), before + 2);
    EXPECT_EQ(a.screen_matrix * glm::vec4(1, 1, 0, 1), glm::vec4(1, 1, 0, 1));
    EXPECT_EQ(a.screen_matrix * glm::vec4(0, 0, 0, 1), glm::vec4(-1, -1, 0, 1));
  }
  EXPECT_EQ(Objects3D::InstanceCount(), before);
}

TEST(Objects3D, MasterNodeLookups) {
  Objects3D scene;
  EXPECT_THROW(
      {
        try {
          scene.GetNode("");
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ(e.what(), "Tried GetMasterNode() with no nodes");
          throw;
        }
      },
      std::runtime_error);
  scene.AddMasterNode();
  EXPECT_EQ(&scene.GetNode(""), scene.data.nodes[0].get());
  EXPECT_EQ(scene.GetNode("").name, "Master node");
  EXPECT_THROW(scene.AddMasterNode(), std::runtime_error);
}

TEST(Objects3D, AddPrimitiveOnAnEmptySceneMakesMasterAndChild) {
  Objects3D scene;
  auto cube = MakeCube({2, 2, 2}, {1, 1, 1});
  Node& node = scene.AddPrimitive(cube, MakeMaterial(), nullptr);
  EXPECT_EQ(scene.data.nodes[0]->name, "Master node");
  EXPECT_EQ(node.name, "child-1");
  EXPECT_EQ(node.parent, 0);
  EXPECT_EQ(scene.data.nodes[0]->children, std::vector<uint32_t>{1});
  // The primitive joins the list and gets sequential indices once.
  ASSERT_EQ(scene.data.primitives.size(), 1u);
  EXPECT_EQ(cube->indices.size(), 36u);
  EXPECT_EQ(cube->indices[35], 35u);
  EXPECT_EQ(scene.data.meshes[0]->primitive_indices, std::vector<uint32_t>{0});
  scene.AddPrimitive(cube, cube->material, nullptr);
  EXPECT_EQ(cube->indices.size(), 36u);
  EXPECT_EQ(scene.data.primitives.size(), 1u);
  EXPECT_EQ(scene.data.materials.size(), 1u);
  EXPECT_EQ(scene.data.meshes[1]->primitive_indices, std::vector<uint32_t>{0});
}

TEST(Objects3D, CreateMeshKeepsExistingIndices) {
  Objects3D scene;
  auto primitive = MakePlane(1, 1, 1);
  primitive->indices = {2, 1, 0};
  scene.CreateMesh(primitive);
  EXPECT_EQ(primitive->indices, (std::vector<uint32_t>{2, 1, 0}));
}

TEST(Objects3D, SetPrimitiveMaterialFindsOrAppends) {
  Objects3D scene;
  auto red = std::make_shared<Material>(MaterialPresetRed);
  auto blue = std::make_shared<Material>(MaterialPresetBlue);
  auto a = MakePlane(1, 1, 1), b = MakePlane(1, 1, 1);
  scene.SetPrimitiveMaterial(a, red);
  scene.SetPrimitiveMaterial(b, blue);
  scene.SetPrimitiveMaterial(a, blue);
  EXPECT_EQ(scene.data.materials.size(), 2u);
  EXPECT_EQ(a->material_index, 1u);
  EXPECT_EQ(a->material, blue);
}

// A scene: master -> parent (instances P) -> child (instances C).
struct Tree {
  Objects3D scene;
  Node* parent;
  Node* child;
  Tree(std::vector<glm::mat4> p, std::vector<glm::mat4> c) {
    scene.AddMasterNode();
    parent = &scene.AddNode("parent", 0);
    child = &scene.AddNode("child", 1);
    scene.data.nodes[0]->children = {1};
    parent->children = {2};
    parent->instances = std::move(p);
    child->instances = std::move(c);
  }
};

TEST(Objects3D, GetInstancesCombinesEveryParentWithEveryChild) {
  const struct {
    const char* name;
    std::vector<glm::mat4> parent, child;
    std::vector<float> expected_x;
  } cases[] = {
      {"one and one", {Move(1)}, {Move(10)}, {11}},
      {"one parent, three children", {Move(1)}, {Move(10), Move(20), Move(30)}, {11, 21, 31}},
      {"three and three", {Move(1), Move(2), Move(3)}, {Move(10), Move(20), Move(30)},
       {11, 21, 31, 12, 22, 32, 13, 23, 33}},
      {"two and three, parent-major", {Move(1), Move(2)}, {Move(10), Move(20), Move(30)},
       {11, 21, 31, 12, 22, 32}},
      {"no child instances", {Move(1)}, {}, {}},
  };
  for (const auto& c : cases) {
    Tree tree(c.parent, c.child);
    std::vector<glm::mat4> world;
    tree.scene.GetInstances(2, world);
    ASSERT_EQ(world.size(), c.expected_x.size()) << c.name;
    for (size_t i = 0; i < world.size(); ++i) EXPECT_EQ(Origin(world[i]).x, c.expected_x[i]) << c.name;
  }
}

TEST(Objects3D, NodeBBoxFollowsInstancesAndSkipsDisabledSubtrees) {
  Tree tree({Move(0, 10)}, {Move(1), Move(-1)});
  auto cube = MakeCube({2, 2, 2}, {1, 1, 1});
  tree.scene.SetPrimitiveMaterial(cube, MakeMaterial());
  tree.child->meshes.push_back(0);
  tree.scene.CreateMesh(cube);
  glm::vec3 min, max;
  tree.scene.GetNodeBBox("", min, max);
  EXPECT_EQ(min, glm::vec3(-2, 9, -1));
  EXPECT_EQ(max, glm::vec3(2, 11, 1));
  tree.scene.GetNodeBBox("child", min, max);
  EXPECT_EQ(max, glm::vec3(2, 11, 1));
  // A hidden parent is not measured, but its child still is.
  tree.parent->visible = 0;
  tree.scene.GetNodeBBox("", min, max);
  EXPECT_EQ(max, glm::vec3(2, 11, 1));
  // A disabled parent takes its whole subtree out.
  tree.parent->visible = 1;
  tree.parent->enabled = 0;
  tree.scene.GetNodeBBox("", min, max);
  EXPECT_EQ(min, glm::vec3(999999));
  EXPECT_EQ(max, glm::vec3(-999999));
}

TEST(Objects3D, ShadowPlanesComeFromTheBoxAndNeverFromAnEmptyOne) {
  const auto planes = ComputeShadowPlanes({0, 0, 0}, {3, 4, 0});
  ASSERT_TRUE(planes);
  EXPECT_FLOAT_EQ(planes->near_plane, 0.005f);
  EXPECT_FLOAT_EQ(planes->far_plane, 10.0f);
  EXPECT_FLOAT_EQ(planes->projection[2][3], -1.0f);
  EXPECT_FLOAT_EQ(planes->projection[2][2], -(10.0f + 0.005f) / (10.0f - 0.005f));
  EXPECT_FALSE(ComputeShadowPlanes(glm::vec3(999999), glm::vec3(-999999)));
  EXPECT_FALSE(ComputeShadowPlanes({1, 1, 1}, {1, 1, 1}));
  EXPECT_FALSE(ComputeShadowPlanes({0, 0, 0}, {INFINITY, 0, 0}));
}

TEST(Objects3D, ShadowMapSizeIsThePowerOfTwoOfTheWidthWithinBounds) {
  const struct {
    uint32_t width;
    int32_t gl_max;
    int32_t size;
  } cases[] = {{1000, 16384, 1024}, {3, 16384, 4},    {2048, 16384, 2048}, {0, 0, 4},
               {2049, 16384, 2048}, {8000, 16384, 2048}, {1000, 512, 512}, {1u << 31, 0, 2048}};
  for (const auto& c : cases) {
    EXPECT_EQ(ShadowMapSize(c.width, c.gl_max), c.size) << c.width << " " << c.gl_max;
  }
}

TEST(Objects3D, ResizeWalksTheLightMarkerChainOnce) {
  Objects3D scene;
  scene.light_marker = std::make_shared<Objects3D>();
  scene.light_marker->light_marker = scene.light_marker;  // a chain that comes back
  const std::shared_ptr<Light> light = scene.light_marker->AddLight();
  scene.Resize(640, 480, 1.5f);
  EXPECT_EQ(scene.light_marker->render_width, 640);
  EXPECT_FLOAT_EQ(scene.light_marker->aspect, 1.5f);
  EXPECT_EQ(light->last_width, 640u);
  scene.light_marker->light_marker.reset();
}

TEST(Objects3D, TransformMovesPositionsAndTurnsNormalsAndTangents) {
  auto plane = MakePlane(2, 2, 1);
  plane->dirty = 0;
  // Scale y by 2 and turn 90 degrees about z: +y normals become -x.
  const glm::mat4 m = glm::rotate(glm::mat4(1), glm::radians(90.0f), {0, 0, 1}) *
                      glm::scale(glm::mat4(1), {1, 2, 1});
  plane->Transform(glm::translate(glm::mat4(1), {5, 0, 0}) * m);
  EXPECT_EQ(plane->dirty, 1);
  EXPECT_NEAR(plane->positions[0], 5, 1e-5);
  EXPECT_NEAR(plane->normals[0], -1, 1e-5);
  EXPECT_NEAR(plane->normals[1], 0, 1e-5);
  EXPECT_NEAR(plane->tangents[1], 1, 1e-5);  // +x turns to +y
}

TEST(Objects3DDeathTest, LookupFailuresAreFatal) {
  const struct {
    const char* name;
    std::function<void(Objects3D&)> call;
    const char* message;
  } cases[] = {
      {"node name", [](Objects3D& s) { s.GetNode("nope"); }, "Couldn't find node nope"},
      {"node index", [](Objects3D& s) { s.GetNode(9u); }, "Assert failed"},
      {"material", [](Objects3D& s) { s.GetMaterial(3u); }, "Assert failed"},
      {"hidden bbox", [](Objects3D& s) {
         s.data.nodes[1]->visible = 0;
         glm::vec3 a, b;
         s.GetNodeBBox("child-1", a, b);
       }, "Couldn't find node child-1"},
      {"no mesh no child", [](Objects3D& s) { s.GetMaterial(s.AddNode("x", 0)); },
       "No objects, no children, cannot find applicable material"},
      {"two children", [](Objects3D& s) {
         s.AddPrimitive(MakePlane(1, 1, 1), MakeMaterial(), nullptr);
         s.GetMaterial(s.GetNode(0u));
       }, "No objects, multiple children, ambiguous which material is desired"},
      {"two meshes", [](Objects3D& s) {
         s.data.nodes[1]->meshes.push_back(0);
         s.GetMaterial(*s.data.nodes[1]);
       }, "Multiple objects, ambiguous which material is desired"},
      {"duplicate primitive", [](Objects3D& s) { s.data.meshes[0]->AddPrimitive(0, s.data.primitives[0]); },
       "Tried to add already existing primitive index 0 to Mesh"},
  };
  for (const auto& c : cases) {
    EXPECT_EXIT(
        {
          EchoMessageBoxesToStderr();
          Objects3D scene;
          scene.AddPrimitive(MakePlane(1, 1, 1), MakeMaterial(), nullptr);
          c.call(scene);
        },
        ::testing::ExitedWithCode(1), c.message)
        << c.name;
  }
}

TEST(Objects3D, GetMaterialFollowsASingleChild) {
  Objects3D scene;
  auto material = std::make_shared<Material>(MaterialPresetGreen);
  scene.AddPrimitive(MakePlane(1, 1, 1), material, nullptr);
  EXPECT_EQ(scene.GetMaterial(scene.GetNode(0u)), material);
  EXPECT_EQ(scene.GetMaterial(scene.GetNode("child-1")), material);
}

}  // namespace
