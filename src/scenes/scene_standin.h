#pragma once
// Stand-in for the scene interface until the scene manager's own lands: the base every scene
// derives from, with the fields the scene manager fills before Init. Delete this file when
// scene.h declares Scene.

#include <GL/glew.h>

#include <cstdint>

#include "scenes/scene.h"

class FBO;
class Music;

class Scene {
 public:
  virtual ~Scene() = default;
  virtual void Init() = 0;
  virtual void Render() = 0;
  virtual void Noop() {}
  // Stores the size; identity projection and model-view; viewport and scissor on the size.
  virtual void Resize(uint32_t new_width, uint32_t new_height) {
    width = new_width;
    height = new_height;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glScissor(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
  }

  KeyState* keys = nullptr;
  MouseState* mouse = nullptr;
  Music* music = nullptr;
  FBO* commonFbo = nullptr;
  float aspect = 16.0f / 9.0f;
  uint32_t width = 0;
  uint32_t height = 0;
};
