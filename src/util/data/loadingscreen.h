#pragma once
// The loading screen, redrawn while assets are read.

// Draws the loading screen at the given progress (0 to 1); rate-limited unless forced.
void UpdateLoadingScreen(float progress, bool force);
