#pragma once
// The loading screen, redrawn while assets are read: a logo with a progress bar (kind 0), a
// text-mode bar (kind 1) or a growing glowing ring (kind 2), chosen by the production. Escape
// while loading ends the process. Once loading is finished every call does nothing.

#include <cstdint>
#include <functional>
#include <memory>

#include "util/letterbox.h"
#include "util/shaderprogram/shaderconstructor.h"

class Texture;

// Set by the entry: the window size and the production's aspect the screen is letterboxed to,
// and the logo (empty until the data is available, freed first at shut-down).
extern uint32_t window_width;
extern uint32_t window_height;
extern float window_aspect;
extern std::unique_ptr<Texture> loading_screen_texture;

// The progress numerator of the last redraw: used packed entries, or a count of redraws that
// wraps at the total when assets come from loose files.
extern uint32_t loading_progress_count;

// Draws the loading screen at the given progress (0 to 1, the fade during the hold); at most
// every 40 ms of the tick count unless forced.
void UpdateLoadingScreen(float progress, bool force);

// The three screens, drawn into the current viewport.
void DrawLoadingProgressBar(float progress, uint32_t total);
void DrawLoadingAscii(uint32_t viewport_width, uint32_t viewport_height, uint32_t total);
void DrawLoadingCircles(float progress, uint32_t total);

std::shared_ptr<ShaderConstructor> MakeCirclesLoadingScreenShader();

// The largest rectangle of the aspect centred in width x height, never below 1 x 1; without a
// usable aspect (0, negative, NaN) the whole window.
ScreenRect LoadingScreenViewport(uint32_t width, uint32_t height, float aspect);

// The share of the total the count stands for, 0 when the total is 0.
float LoadingShare(uint32_t count, uint32_t total);

// Test seam: replaces the Escape key state; an empty function restores the real key.
void SetLoadingEscapeSource(std::function<bool()> source);
