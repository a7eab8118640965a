// Numbered model parts merged into instances of their first part.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <glm/gtc/matrix_transform.hpp>

#include "objects3d/objects3d.h"
#include "objects3d/procedural.h"
#include "scenes/scene_vwmtrain/numberednodes.h"
#include "support/messagebox_recorder.h"

namespace {

TEST(NumberedNamesTest, ZeroPaddedToTheWidth) {
  const struct {
    std::string prefix;
    int32_t width, first, last;
    std::vector<std::string> expected;
  } cases[] = {
      {"Knob_", 3, 0, 2, {"Knob_000", "Knob_001", "Knob_002"}},
      {"Key_", 2, 9, 10, {"Key_09", "Key_10"}},
      {"Key_", 2, 99, 100, {"Key_99", "Key_100"}},  // wider numbers are not cut
      {"Fader_", 3, 5, 5, {"Fader_005"}},
      {"Fader_", 3, 6, 5, {}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(NumberedNames(c.prefix, c.width, c.first, c.last), c.expected) << c.prefix << c.first;
}

// A master node with parts "p_0" .. "p_5", part i translated by (i, 0, 0).
class InstanceNumberedNodesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scene_.AddMasterNode();
    for (int i = 0; i <= 5; ++i) {
      Node& part = scene_.AddNode("p_" + std::to_string(i), 0);
      part.SetMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(i, 0, 0)));
      scene_.GetMasterNode().children.push_back(part.index);
    }
  }
  std::vector<float> MasterOffsets(const std::string& master) {
    std::vector<float> offsets;
    for (const glm::mat4& m : scene_.GetNode(master).instances) offsets.push_back(m[3].x);
    return offsets;
  }
  std::string Shown() {
    std::string shown;
    for (int i = 0; i <= 5; ++i) {
      const Node& part = scene_.GetNode("p_" + std::to_string(i));
      EXPECT_EQ(part.visible, part.enabled);
      shown += part.visible ? '1' : '0';
    }
    return shown;
  }
  Objects3D scene_;
};

TEST_F(InstanceNumberedNodesTest, PartsBecomeInstancesOfTheFirstInOrder) {
  InstanceNumberedNodes(scene_, "p_", 1, 1, 5, {});
  EXPECT_EQ(MasterOffsets("p_1"), (std::vector<float>{1, 2, 3, 4, 5}));
  EXPECT_EQ(Shown(), "110000");
}

TEST_F(InstanceNumberedNodesTest, ExcludedPartsAreHiddenButNotMerged) {
  InstanceNumberedNodes(scene_, "p_", 1, 0, 5, {1, 2, 4, 5});
  EXPECT_EQ(MasterOffsets("p_0"), (std::vector<float>{0, 3}));
  EXPECT_EQ(Shown(), "100000");
  // A later pass shows its own master again, as the faders' passes do.
  InstanceNumberedNodes(scene_, "p_", 1, 1, 5, {1, 2, 3, 5});
  EXPECT_EQ(MasterOffsets("p_1"), (std::vector<float>{1, 4}));
  EXPECT_EQ(Shown(), "110000");
}

TEST_F(InstanceNumberedNodesTest, ASingleIndexOnlyShowsTheMaster) {
  ShowNode(scene_.GetNode("p_3"), false);
  InstanceNumberedNodes(scene_, "p_", 1, 3, 3, {});
  EXPECT_EQ(MasterOffsets("p_3"), (std::vector<float>{3}));
  EXPECT_EQ(Shown(), "111111");
}

TEST(OwnMaterialDeathTest, ANodeWithNoPrimitiveBelowIsRefused) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        EchoMessageBoxesToStderr();
        Objects3D scene;
        scene.AddPrimitive(MakePlane(1, 1, 1), MakeMaterial(), nullptr);
        Node& empty = scene.AddNode("empty", 0);  // no mesh, no children
        OwnMaterial(scene, empty);
      },
      ::testing::ExitedWithCode(1), "No objects, no children, cannot find applicable material");
}

}  // namespace
