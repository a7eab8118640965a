// The model viewer's keys driven through the key record: model and camera selection, each
// toggle, and the numeric-pad turns.
#include <cmath>
#include <initializer_list>

#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "scenes/scene_gltf/viewerkeys.h"

namespace {

KeyState Keys(std::initializer_list<uint32_t> pressed, std::initializer_list<uint32_t> held = {}) {
  KeyState keys;
  for (uint32_t code : pressed) keys[KeyState::kPressedOnce + code] = 1;
  for (uint32_t code : held) keys[code] = 1;
  return keys;
}

bool SameToggles(const ViewerToggles& a, const ViewerToggles& b) {
  return a.lighting == b.lighting && a.shadows == b.shadows && a.glow == b.glow &&
         a.skybox == b.skybox && a.light_sources == b.light_sources && a.bbox == b.bbox &&
         a.floor == b.floor && a.help == b.help;
}

TEST(ViewerKeys, KeysSelectModelsAndCamerasAndFlipToggles) {
  const ViewerToggles start;
  auto flipped = [&](uint8_t ViewerToggles::*field) {
    ViewerToggles t = start;
    t.*field ^= 1;
    return t;
  };
  const struct {
    const char* what;
    KeyState keys;
    int32_t model_step;
    int32_t camera_slot;
    ViewerToggles toggles;
    bool mouse_lock = false;
  } cases[] = {
      {"F12", Keys({ViewerKey::kF12}), 0, -1, start, true},
      {"F5", Keys({ViewerKey::kF5}), -1, -1, start},
      {"PageUp", Keys({ViewerKey::kPageUp}), -1, -1, start},
      {"F6", Keys({ViewerKey::kF6}), 1, -1, start},
      {"PageDown", Keys({ViewerKey::kPageDown}), 1, -1, start},
      {"F5 and PageUp together step once", Keys({ViewerKey::kF5, ViewerKey::kPageUp}), -1, -1, start},
      {"1", Keys({'1'}), 0, 0, start},
      {"9", Keys({'9'}), 0, 8, start},
      {"0", Keys({'0'}), 0, 9, start},
      {"held digit only", Keys({}, {'3'}), 0, -1, start},
      {"H", Keys({'H'}), 0, -1, flipped(&ViewerToggles::help)},
      {"Y", Keys({'Y'}), 0, -1, flipped(&ViewerToggles::skybox)},
      {"G", Keys({'G'}), 0, -1, flipped(&ViewerToggles::glow)},
      {"K", Keys({'K'}), 0, -1, flipped(&ViewerToggles::shadows)},
      {"B", Keys({'B'}), 0, -1, flipped(&ViewerToggles::bbox)},
      {"F", Keys({'F'}), 0, -1, flipped(&ViewerToggles::floor)},
      {"L", Keys({'L'}), 0, -1, flipped(&ViewerToggles::lighting)},
      {"Shift+L", Keys({'L'}, {VirtualKey::kShift}), 0, -1, flipped(&ViewerToggles::light_sources)},
  };
  for (auto c : cases) {
    ViewerToggles toggles;
    const ViewerInput input = ReadViewerKeys(c.keys, toggles, 0.01);
    EXPECT_EQ(input.model_step, c.model_step) << c.what;
    EXPECT_EQ(input.camera_slot, c.camera_slot) << c.what;
    EXPECT_TRUE(SameToggles(toggles, c.toggles)) << c.what;
    EXPECT_FALSE(input.turned) << c.what;
    EXPECT_EQ(input.toggle_mouse_lock, c.mouse_lock) << c.what;
    for (uint32_t k = 0; k < 256; ++k) {
      ASSERT_EQ(c.keys[KeyState::kPressedOnce + k], 0) << c.what << ": pressed byte " << k << " left";
    }
  }
}

TEST(ViewerKeys, APressIsReadOnce) {
  KeyState keys = Keys({'G'});
  ViewerToggles toggles;
  ReadViewerKeys(keys, toggles, 0.01);
  ReadViewerKeys(keys, toggles, 0.01);
  EXPECT_EQ(toggles.glow, 1);
}

TEST(ViewerKeys, NumericPadTurnsAtTheRateOfTheModifier) {
  const struct {
    uint32_t numpad_digit;
    std::initializer_list<uint32_t> modifiers;
    double angle;
    glm::dvec3 axis;
  } cases[] = {
      {4, {}, 0.5, {0, 0, 1}},
      {6, {}, -0.5, {0, 0, 1}},
      {8, {}, -0.5, {1, 0, 0}},
      {2, {VirtualKey::kShift}, 0.5 / 3.0, {1, 0, 0}},
      {7, {VirtualKey::kControl}, 0.05, {1, 1, 0}},
      {9, {VirtualKey::kShift, VirtualKey::kControl}, -0.5 / 3.0, {1, 1, 0}},
  };
  for (const auto& c : cases) {
    KeyState keys;
    keys[ViewerKey::kNumpad0 + c.numpad_digit] = 1;
    for (uint32_t m : c.modifiers) keys[m] = 1;
    ViewerToggles toggles;
    const ViewerInput input = ReadViewerKeys(keys, toggles, 0.1);
    EXPECT_TRUE(input.turned) << c.numpad_digit;
    const glm::dmat4 expected = glm::rotate(glm::dmat4(1.0), c.angle, c.axis);
    for (int col = 0; col < 4; ++col)
      for (int row = 0; row < 4; ++row)
        EXPECT_NEAR(input.rotation[col][row], expected[col][row], 1e-12) << c.numpad_digit;
  }
}

TEST(ViewerKeys, ModelStepsWrapAtBothEnds) {
  const struct {
    uint32_t current;
    int32_t step;
    uint32_t expected;
  } cases[] = {{0, -1, 17}, {17, 1, 0}, {5, 1, 6}, {5, -1, 4}, {5, 0, 5}};
  for (const auto& c : cases) EXPECT_EQ(StepModel(c.current, c.step, 18), c.expected) << c.current;
}

TEST(ViewerKeys, CameraSlotsAreCappedAtTheLastCamera) {
  const struct {
    int32_t slot;
    size_t cameras;
    int32_t expected;
  } cases[] = {{2, 2, 1}, {0, 7, 0}, {9, 7, 6}, {-1, 7, 3}, {4, 0, 3}};
  for (const auto& c : cases) EXPECT_EQ(SelectCamera(c.slot, c.cameras, 3), c.expected) << c.slot;
}

}  // namespace
