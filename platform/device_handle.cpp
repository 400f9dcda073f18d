#include "platform/device_handle.h"

namespace platform {

bool DeviceHandle::ReadWithin(std::uint8_t* buffer, std::size_t capacity, std::uint32_t,
                              std::size_t* done) {
  return Read(buffer, capacity, done);
}

bool DeviceHandle::Control(std::uint32_t, const std::uint8_t*, std::size_t, std::uint8_t*,
                           std::size_t, std::size_t* done) {
  if (done) *done = 0;
  return false;
}

}  // namespace platform
