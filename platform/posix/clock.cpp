#include "platform/clock.h"

#include <time.h>

namespace platform {

void SleepMs(std::uint32_t milliseconds) {
  timespec pause{static_cast<time_t>(milliseconds / 1000),
                 static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&pause, &pause) != 0) {
  }
}

std::uint32_t TickCountMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint32_t>(static_cast<unsigned long long>(now.tv_sec) * 1000ULL +
                                    static_cast<unsigned long long>(now.tv_nsec) / 1000000ULL);
}

LocalTime LocalTimeNow() {
  const time_t now = time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
          local.tm_sec};
}

}  // namespace platform
