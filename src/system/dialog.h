#pragma once
// The start-up dialog: resolution, anti-aliasing, aspect ratio, fullscreen and vsync, written
// into SystemSettings as they are chosen.

struct DialogDataActions;
struct DialogOptions;

// Returns 1 for "&Run" (and Enter), 2 for "&Quit" (and Escape and the close box), 106 for
// "Get &avi", and -1 when the dialog could not be created (no display). "Get &mp3" runs the
// given actions.
int ShowStartupDialog(const DialogDataActions& actions);

// The same with the controls of the further modes chosen here rather than by the build.
int ShowStartupDialog(const DialogOptions& options, const DialogDataActions& actions);
