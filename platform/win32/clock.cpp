#include "platform/clock.h"

#include <windows.h>

namespace platform {

void SleepMs(std::uint32_t milliseconds) { Sleep(milliseconds); }

std::uint32_t TickCountMs() { return GetTickCount(); }

LocalTime LocalTimeNow() {
  SYSTEMTIME local;
  GetLocalTime(&local);
  return {local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond};
}

}  // namespace platform
