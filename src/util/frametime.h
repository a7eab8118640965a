#pragma once
// The program-wide smoothed frame time: seconds, the mean of the last five frame times (each
// capped at 0.25 s). The frame writes it; the camera controller and the model viewer read it.

extern double smoothed_frame_delta;
