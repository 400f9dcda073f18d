#pragma once
// Pauses, the millisecond tick count and the local time.
#include <cstdint>

namespace platform {

void SleepMs(std::uint32_t milliseconds);
// Milliseconds since some fixed moment; wraps around like the Windows tick count.
std::uint32_t TickCountMs();

// The local calendar time, to the second.
struct LocalTime {
  int year;
  int month;  // 1..12
  int day;
  int hour;
  int minute;
  int second;
};
LocalTime LocalTimeNow();

}  // namespace platform
