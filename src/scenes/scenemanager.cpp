#include "scenes/scenemanager.h"

#include <GL/glew.h>

#include "system/window.h"
#include "util/data/data.h"

// Stand-in until the scene manager lands: every frame clears the window and presents it.

SceneManager::SceneManager() = default;
SceneManager::~SceneManager() = default;

void SceneManager::StartPlayback() { data_init_finished = true; }

void SceneManager::RenderFrame() {
  glClearColor(0.05f, 0.05f, 0.08f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SwapWindowBuffers();
}

void SceneManager::Resize(uint32_t width, uint32_t height) { glViewport(0, 0, width, height); }
