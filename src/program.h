#pragma once
// The entry's program-wide value: the scene manager the main loop drives. The window size and
// the loading screen's logo, which the entry also sets, are declared with the loading screen
// that reads them (util/data/loadingscreen.h).

class SceneManager;

extern SceneManager* running_scene_manager;
