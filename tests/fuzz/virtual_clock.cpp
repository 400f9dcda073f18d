// The answer waits and pauses of a fuzz target run on a clock of its own, so that a fuzz
// run does not sleep: these definitions take the place of the platform layer's clock.
#include <cstdint>

#include "platform/clock.h"

namespace platform {
namespace {
std::uint32_t gVirtualTick = 0;
}  // namespace
void SleepMs(std::uint32_t milliseconds) { gVirtualTick += milliseconds; }
std::uint32_t TickCountMs() { return ++gVirtualTick; }
}  // namespace platform
