#pragma once
// Pauses and the millisecond tick count.
#include <cstdint>

namespace platform {

void SleepMs(std::uint32_t milliseconds);
// Milliseconds since some fixed moment; wraps around like the Windows tick count.
std::uint32_t TickCountMs();

}  // namespace platform
