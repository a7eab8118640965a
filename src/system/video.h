#pragma once
// Starting SDL's video subsystem on X11 once for the process: the dialog's mode list, the
// window and the hidden test context all use it.

// True when video runs (already, or started now).
bool StartVideo();
