#include "program.h"

uint32_t window_width = 0;
uint32_t window_height = 0;
float window_aspect = 16.0f / 9.0f;
SceneManager* running_scene_manager = nullptr;
