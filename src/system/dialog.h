#pragma once
// The start-up dialog: resolution, anti-aliasing, aspect ratio, fullscreen and vsync, written
// into SystemSettings as they are chosen.

struct DialogDataActions;
struct DialogOptions;

// Returns 1 for "&Run" (and Enter), 2 for "&Quit" (and Escape, the close box, SIGINT and
// SIGTERM), 106 for "Get &avi", and -1 when the dialog could not be created (no display).
// "Get &mp3" runs the given actions. The options add the controls of the further modes.
int ShowStartupDialog(const DialogOptions& options, const DialogDataActions& actions);
