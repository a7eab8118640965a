#include "program.h"

SceneManager* running_scene_manager = nullptr;
