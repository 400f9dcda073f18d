#include "platform/clock.h"

#include <windows.h>

namespace platform {

void SleepMs(std::uint32_t milliseconds) { Sleep(milliseconds); }

std::uint32_t TickCountMs() { return GetTickCount(); }

}  // namespace platform
