// The node walk every pass shares, without a GL context: which primitives it hands on, in which
// order, with which matrices and weights; and the box of a primitive's positions.
#include "objects3d/node_walk.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "objects3d/objects3d.h"
#include "objects3d/procedural.h"

namespace {

glm::mat4 Move(float x) { return glm::translate(glm::mat4(1), {x, 0, 0}); }

// Each primitive handed on: its name (the first weight), the x of each world origin, the weights.
struct Visit {
  float name;
  std::vector<float> xs;
  std::vector<float> weights;
  bool operator==(const Visit& o) const {
    return name == o.name && xs == o.xs && weights == o.weights;
  }
};

class Recorder : public NodeWalkVisitor {
 public:
  void OnPrimitive(Primitive& primitive, const std::vector<glm::mat4>& world,
                   const std::vector<float>& weights) override {
    Visit v{primitive.positions[0], {}, weights};
    for (const glm::mat4& m : world) v.xs.push_back(m[3].x);
    visits.push_back(v);
  }
  bool Satisfied() const override { return visits.size() >= stop_after; }
  std::vector<Visit> visits;
  size_t stop_after = 1000;
};

// master (instance at x 1000) -> a (x 1, 2) -> b (x 10, 20); master -> c (x 100).
// Each node holds one mesh of one primitive whose first position names it: a 1, b 2, c 3.
struct Tree {
  Objects3D scene;
  Tree() {
    scene.AddMasterNode().instances = {Move(1000)};
    const float xs[][2] = {{1, 2}, {10, 20}, {100, 100}};
    const int32_t parents[] = {0, 1, 0};
    for (int i = 0; i < 3; ++i) {
      Node& node = scene.AddNode(std::string(1, static_cast<char>('a' + i)), parents[i]);
      scene.data.nodes[static_cast<size_t>(parents[i])]->children.push_back(node.index);
      node.instances = {Move(xs[i][0])};
      if (xs[i][1] != xs[i][0]) node.instances.push_back(Move(xs[i][1]));
      auto primitive = MakePlane(1, 1, 1);
      primitive->positions[0] = static_cast<float>(i + 1);
      node.meshes.push_back(static_cast<uint32_t>(scene.data.meshes.size()));
      scene.CreateMesh(primitive).weights = {static_cast<float>(i)};
    }
  }
  Node& N(uint32_t i) { return *scene.data.nodes[i]; }
};

TEST(NodeWalk, HandsOnEveryShownPrimitiveChildrenFirstWithParentMajorMatrices) {
  const struct {
    const char* name;
    std::function<void(Tree&)> change;
    std::vector<Visit> expected;
    size_t stop_after = 1000;
    std::vector<glm::mat4> placed;
  } cases[] = {
      {"whole tree", [](Tree&) {},
       {{2, {1011, 1021, 1012, 1022}, {1}}, {1, {1001, 1002}, {0}}, {3, {1100}, {2}}}},
      {"a disabled node hides its subtree", [](Tree& t) { t.N(1).enabled = 0; },
       {{3, {1100}, {2}}}},
      {"an invisible node still walks its children",
       [](Tree& t) { t.N(1).visible = 0; },
       {{2, {1011, 1021, 1012, 1022}, {1}}, {3, {1100}, {2}}}},
      {"a node without instances hides its subtree",
       [](Tree& t) { t.N(1).instances.clear(); }, {{3, {1100}, {2}}}},
      {"an invisible mesh is left out",
       [](Tree& t) { t.scene.data.meshes[0]->visible = 0; },
       {{2, {1011, 1021, 1012, 1022}, {1}}, {3, {1100}, {2}}}},
      {"the node's weights stand before the mesh's",
       [](Tree& t) { t.N(3).weights = {0.5f}; },
       {{2, {1011, 1021, 1012, 1022}, {1}}, {1, {1001, 1002}, {0}}, {3, {1100}, {0.5f}}}},
      {"a satisfied visitor enters no further node", [](Tree&) {},
       {{2, {1011, 1021, 1012, 1022}, {1}}, {1, {1001, 1002}, {0}}}, 1},
      {"placed master instances replace the master's", [](Tree& t) { t.N(1).enabled = 0; },
       {{3, {5100, 6100}, {2}}}, 1000, {Move(5000), Move(6000)}},
  };
  for (const auto& c : cases) {
    Tree tree;
    c.change(tree);
    Recorder recorder;
    recorder.stop_after = c.stop_after;
    NodeWalk walk;
    if (c.placed.empty()) {
      walk.Run(tree.scene, glm::mat4(1), recorder);
    } else {
      walk.RunPlaced(tree.scene, glm::mat4(1), c.placed, recorder);
    }
    EXPECT_EQ(recorder.visits, c.expected) << c.name;
  }
}

TEST(NodeWalk, RootStandsLeftOfEveryMatrix) {
  Tree tree;
  Recorder recorder;
  NodeWalk walk;
  walk.Run(tree.scene, glm::scale(glm::mat4(1), glm::vec3(2)), recorder);
  ASSERT_EQ(recorder.visits.size(), 3u);
  EXPECT_EQ(recorder.visits[2].xs, std::vector<float>{2200});
}

TEST(PositionBox, SpansThePositionsAtTheirStride) {
  Primitive p;
  p.position_components = 4;
  p.positions = {1, -2, 3, 9, -1, 5, 0, -9};
  const PositionBox box = BoxOfPositions(p);
  ASSERT_TRUE(box.valid);
  EXPECT_EQ(box.min, glm::vec3(-1, -2, 0));
  EXPECT_EQ(box.max, glm::vec3(1, 5, 3));
  EXPECT_EQ(box.Corner(5), glm::vec3(1, -2, 3));
  p.positions.clear();
  EXPECT_FALSE(BoxOfPositions(p).valid);
}

}  // namespace
