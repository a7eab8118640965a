// What the data facility calls outside itself, reduced for fuzzing: log lines are dropped,
// message boxes answer Ok, the loading screen draws nothing, and the fatal exit throws
// FatalExit so that one refused input ends one run of the target instead of the process.

#include "fuzz_support.h"

#include "system/log.h"
#include "system/messagebox.h"
#include "util/data/loadingscreen.h"

std::string FormatTimestamp(const LocalTime&) { return {}; }
std::string Timestamp() { return {}; }
void WriteLogText(const std::string&) {}

std::string FormatErrorTitle(const std::string& file, uint32_t line) {
  return fmt::format("Error in file {}:{}", file, line);
}

std::string FormatErrorText(const std::string& file, uint32_t line, const std::string& message) {
  return fmt::format("Error in file {}:{}:\n{}", file, line, message);
}

void ExitMsg(const std::string& file, uint32_t line, const std::string& message) {
  throw FatalExit(FormatErrorText(file, line, message));
}

MessageBoxResult ShowMessageBox(const MessageBoxRequest&) { return MessageBoxResult::Ok; }
void SetMessageBoxHandler(MessageBoxHandler) {}

void UpdateLoadingScreen(float, bool) {}
