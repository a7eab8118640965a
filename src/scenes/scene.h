#pragma once
// The scene contract: every visual part of a production is a Scene that loads its assets once
// (Init) and then draws one frame into whatever framebuffer is bound (Render), driven by sync
// tracks. Also the two input records the scene manager hands to every scene.

#include <cstdint>

// Byte k (0-255) is non-zero while the key with virtual-key code k is held; byte 256 + k is
// non-zero once after key k was pressed, and the reader clears it when it acts on it.
struct KeyState {
  static constexpr uint32_t kPressedOnce = 256;
  uint8_t keys[512] = {};

  uint8_t& operator[](uint32_t index) { return keys[index]; }
  const uint8_t& operator[](uint32_t index) const { return keys[index]; }
};
static_assert(sizeof(KeyState) == 512);

// Mouse input: the frame loop writes the frame number and the deltas; buttons are split like
// KeyState (held, then pressed-once) by the buttons' virtual-key codes; the reader clears the
// wheel. While grab is set the window keeps the cursor at its centre.
struct MouseState {
  uint32_t frame = 0;
  int32_t x = 0;
  int32_t y = 0;
  int32_t previous_x = 0;
  int32_t previous_y = 0;
  int32_t dx = 0;
  int32_t dy = 0;
  uint8_t buttons[512] = {};
  int32_t wheel = 0;
  uint8_t grab = 0;
};

// Virtual-key codes the readers of these records use.
namespace VirtualKey {
constexpr uint32_t kLeftButton = 0x01;
constexpr uint32_t kRightButton = 0x02;
constexpr uint32_t kShift = 0x10;
constexpr uint32_t kControl = 0x11;
constexpr uint32_t kLeft = 0x25;
constexpr uint32_t kUp = 0x26;
constexpr uint32_t kRight = 0x27;
constexpr uint32_t kDown = 0x28;
constexpr uint32_t kAdd = 0x6B;
constexpr uint32_t kSubtract = 0x6D;
constexpr uint32_t kF11 = 0x7A;
// Letters and digits are their ASCII upper-case codes ('A' = 0x41).
}  // namespace VirtualKey

class FBO;
class Music;

// The scene manager fills the four pointers and the aspect after construction and before Init,
// so a constructor must not use them. The scene owns what it creates, not what they point to.
class Scene {
 public:
  Scene() = default;
  virtual ~Scene() = default;
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Loads assets, builds programs and buffers, opens sync tracks with their defaults. Once.
  virtual void Init() = 0;
  // Draws one frame into the bound framebuffer.
  virtual void Render() = 0;
  // Kept empty by every scene; nothing calls it.
  virtual void Noop() {}
  // Default: remember the size, identity projection, viewport and scissor box over the whole
  // size, identity model-view (the matrix mode is left at model-view).
  virtual void Resize(uint32_t new_width, uint32_t new_height);

  KeyState* keys = nullptr;
  MouseState* mouse = nullptr;
  Music* music = nullptr;
  FBO* commonFbo = nullptr;  // a scratch colour buffer at the render size, shared by all scenes
  float aspect = 16.0f / 9.0f;
  uint32_t width = 0;
  uint32_t height = 0;
};

// How many texture units and clip distances ResetGLState puts back.
constexpr uint32_t kResetTextureUnits = 8;
constexpr uint32_t kResetClipDistances = 8;

// Puts the GL state back to the one every scene, effect and scene-manager pass starts from:
// the fixed-function defaults below, colour writes on, additive blend equation with the
// source-alpha blend function, stencil test and polygon offsets off, back faces culled when
// culling is on and counter-clockwise front faces, no clip distances, point size 1, and no
// vertex array, array buffer, program, texture (2D, cube map, multisample) or sampler bound on
// units 0-7. The viewport, scissor box, bound framebuffer and projection matrix are left alone:
// whoever draws next sets them.
void ResetGLState();
