#pragma once
// Runs an outside tool (ffprobe, ffmpeg, xdotool, ...) through the shell and collects what it
// wrote on standard output.

#include <string>

struct CommandResult {
  int exit_code = -1;  // -1 when the command could not be run or did not exit normally
  std::string output;
};

CommandResult RunCommand(const std::string& command);
