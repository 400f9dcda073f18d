#pragma once
// An open device: what the transports write frames to and read answers from.
#include <cstddef>
#include <cstdint>

namespace platform {

class DeviceHandle {
 public:
  virtual ~DeviceHandle() = default;
  // Each reports false on failure; *done tells how many bytes moved.
  virtual bool Write(const std::uint8_t* data, std::size_t length, std::size_t* done) = 0;
  virtual bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t* done) = 0;
  // A read that waits at most `limitMs` for the device. Devices whose reads keep limits of
  // their own (a serial port's time-outs) read as Read does.
  virtual bool ReadWithin(std::uint8_t* buffer, std::size_t capacity, std::uint32_t limitMs,
                          std::size_t* done);
  // A driver control request (DeviceIoControl); plain devices refuse it.
  virtual bool Control(std::uint32_t code, const std::uint8_t* in, std::size_t inLength,
                       std::uint8_t* out, std::size_t outCapacity, std::size_t* done);
};

}  // namespace platform
