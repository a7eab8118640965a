#pragma once
// The start-up dialog: resolution, anti-aliasing, aspect ratio, fullscreen and vsync.

// Returns 1 for "&Run", 106 for "Get &avi", -1 when the dialog could not be created, and
// another value when the dialog was left otherwise.
int ShowStartupDialog();
