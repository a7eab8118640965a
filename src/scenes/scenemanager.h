#pragma once
// The production's timeline: builds the scenes, composes every frame and presents it.

#include <cstdint>

class SceneManager {
 public:
  SceneManager();
  ~SceneManager();
  SceneManager(const SceneManager&) = delete;
  SceneManager& operator=(const SceneManager&) = delete;

  void StartPlayback();
  void RenderFrame();
  void Resize(uint32_t width, uint32_t height);
};
