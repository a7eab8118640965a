#include "program.h"

#include "util/texture/texture.h"

uint32_t window_width = 0;
uint32_t window_height = 0;
float window_aspect = 16.0f / 9.0f;
SceneManager* running_scene_manager = nullptr;
std::unique_ptr<Texture> loading_screen_texture;
