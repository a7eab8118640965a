#include "system/log.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <iostream>

#include <utility>
#include <vector>

#include "system/messagebox.h"

std::string FormatTimestamp(const LocalTime& time) {
  return fmt::format("[{:02}:{:02}:{:02}:{:03}] ", time.hour, time.minute, time.second,
                     time.millisecond);
}

std::string Timestamp() { return FormatTimestamp(GetLocalTime()); }

void WriteLogText(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

std::string FormatErrorTitle(const std::string& file, uint32_t line) {
  return fmt::format("Error in file {}:{}", file, line);
}

std::string FormatErrorText(const std::string& file, uint32_t line, const std::string& message) {
  return fmt::format("Error in file {}:{}:\n{}", file, line, message);
}

namespace {

bool exit_in_progress = false;

std::vector<std::pair<PreExitHookId, PreExitHook>>& PreExitHooks() {
  static std::vector<std::pair<PreExitHookId, PreExitHook>> hooks;
  return hooks;
}

void RunPreExitHooks() {
  for (const auto& [id, hook] : PreExitHooks()) {
    try {
      hook();
    } catch (const std::exception& exception) {
      std::cerr << "Exception in a pre-exit hook: " << exception.what() << std::endl;
    }
  }
}

// A fatal error raised while the first one is being reported (from a message-box handler, or
// from the window clean-up) must not recurse: print it and end the process.
[[noreturn]] void ExitDuringExit(const std::string& file, uint32_t line,
                                 const std::string& message) {
  std::fputs(FormatErrorText(file, line, message).c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
  std::_Exit(1);
}

}  // namespace

PreExitHookId AddPreExitHook(PreExitHook hook) {
  static PreExitHookId next_id = 0;
  PreExitHooks().emplace_back(++next_id, std::move(hook));
  return next_id;
}

void RemovePreExitHook(PreExitHookId id) {
  auto& hooks = PreExitHooks();
  std::erase_if(hooks, [id](const auto& entry) { return entry.first == id; });
}

void ExitMsg(const std::string& file, uint32_t line, const std::string& message) {
  if (exit_in_progress) ExitDuringExit(file, line, message);
  exit_in_progress = true;

  // Leave fullscreen, finish open files and the like first, so the box is visible and
  // nothing is lost while it waits.
  RunPreExitHooks();
  try {
    const std::string caption = FormatErrorTitle(file, line);
    const std::string text = FormatErrorText(file, line, message);
    LogLine("{}", text);
    std::fflush(stdout);
    ShowMessageBox(MessageBoxRequest{caption, text, MessageBoxButtons::Ok,
                                     MessageBoxIcon::None, false});
  } catch (const std::exception& exception) {
    std::cerr << "Fatal error during ExitMsg!" << std::endl;
    std::cerr << "Exception: " << exception.what() << std::endl;
  }
  std::fflush(stdout);
  std::exit(1);
}
