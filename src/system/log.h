#pragma once
// Logging and the fatal exit. Log and LogLine write to standard output with a timestamp;
// LogInfo formats its line and drops it (the info level never prints). ExitMsg is the one way
// an unrecoverable error ends the run: it restores the display, prints, shows a box, exits 1.

#include <cstdint>
#include <functional>
#include <string>
#include <fmt/format.h>

#include "system/clock.h"

std::string FormatTimestamp(const LocalTime& time);
std::string Timestamp();

void WriteLogText(const std::string& text);

template <typename... Args>
void Log(fmt::format_string<Args...> format, Args&&... args) {
  WriteLogText(Timestamp() + fmt::format(format, std::forward<Args>(args)...));
}

template <typename... Args>
void LogLine(fmt::format_string<Args...> format, Args&&... args) {
  WriteLogText(Timestamp() + fmt::format(format, std::forward<Args>(args)...) + "\n");
}

// The info level: formatted so that its arguments are checked, never printed.
template <typename... Args>
void LogInfo(fmt::format_string<Args...> format, Args&&... args) {
  (void)format;
  ((void)args, ...);
}

std::string FormatErrorTitle(const std::string& file, uint32_t line);
std::string FormatErrorText(const std::string& file, uint32_t line, const std::string& message);

// Work the fatal exit does before it reports: the entry installs one that leaves fullscreen and
// shows the cursor, an open video capture one that finishes its file. Hooks run in the order
// they were added; one that throws is skipped. The log itself knows nothing of what they do.
using PreExitHook = std::function<void()>;
using PreExitHookId = uint32_t;
PreExitHookId AddPreExitHook(PreExitHook hook);
void RemovePreExitHook(PreExitHookId id);

[[noreturn]] void ExitMsg(const std::string& file, uint32_t line, const std::string& message);

template <typename... Args>
[[noreturn]] void ExitMsgFmt(const std::string& file, uint32_t line,
                             fmt::format_string<Args...> format, Args&&... args) {
  ExitMsg(file, line, fmt::format(format, std::forward<Args>(args)...));
}
