#include "system/clock.h"

#include <chrono>
#include <ctime>

namespace {

std::function<uint32_t()> tick_source;
std::function<LocalTime()> local_time_source;

using SteadyClock = std::chrono::steady_clock;

const SteadyClock::time_point process_start = SteadyClock::now();

LocalTime ReadSystemLocalTime() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm parts{};
  localtime_r(&seconds, &parts);
  const auto since_epoch = now.time_since_epoch();
  const auto millis =
      std::chrono::duration_cast<std::chrono::milliseconds>(since_epoch).count() % 1000;
  return LocalTime{parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(millis)};
}

}  // namespace

uint64_t QueryPerformanceCounter() {
  return static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(SteadyClock::now() - process_start)
          .count());
}

uint64_t QueryPerformanceFrequency() { return 1000000000ull; }

uint32_t GetTickCount() {
  if (tick_source) return tick_source();
  const auto elapsed = SteadyClock::now() - process_start;
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

LocalTime GetLocalTime() {
  if (local_time_source) return local_time_source();
  return ReadSystemLocalTime();
}

void SetTickSource(std::function<uint32_t()> source) { tick_source = std::move(source); }

void SetLocalTimeSource(std::function<LocalTime()> source) {
  local_time_source = std::move(source);
}
