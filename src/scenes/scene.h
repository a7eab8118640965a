#pragma once
// The scene contract: every visual part of a production is a Scene that loads its assets once
// (Init) and then draws one frame into whatever framebuffer is bound (Render), driven by sync
// tracks. The scene manager hands every scene its input records (system/inputstate.h).

#include <cstdint>

#include "system/inputstate.h"

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
  // True when this frame's Render clears colour, depth and stencil of its whole target before
  // drawing anything into it, so a clear of the target just before it is wasted work. Asked
  // just before Render, once the frame's tracks are set.
  virtual bool ClearsWholeTarget() const { return false; }
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
