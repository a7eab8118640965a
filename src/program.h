#pragma once
// Program-wide values set by the entry and read by the window procedure, the frame and the
// loading screen.

#include <cstdint>
#include <memory>

class SceneManager;
class Texture;

extern uint32_t window_width;
extern uint32_t window_height;
extern float window_aspect;
extern SceneManager* running_scene_manager;
// The loading screen's logo; empty until the data is available, freed first at shut-down.
extern std::unique_ptr<Texture> loading_screen_texture;
