#pragma once
// Time sources: a high-resolution performance counter, a millisecond tick count and the local
// time of day. Tests may replace the tick source and the local time.

#include <cstdint>
#include <functional>

struct LocalTime {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

uint64_t QueryPerformanceCounter();
uint64_t QueryPerformanceFrequency();

// Milliseconds since an arbitrary start, wrapping like a 32-bit tick count.
uint32_t GetTickCount();

LocalTime GetLocalTime();

// Test seams: an empty function restores the real source.
void SetTickSource(std::function<uint32_t()> source);
void SetLocalTimeSource(std::function<LocalTime()> source);
