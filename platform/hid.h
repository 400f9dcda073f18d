#pragma once
// HID devices: listing the present ones, opening them and moving their reports. Tests
// replace the system's devices with their own through SetHidProvider, on every system alike.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

struct HidAttributes {
  std::uint16_t vendorId = 0;
  std::uint16_t productId = 0;
};

// Report lengths in bytes, the report id byte included (as Windows counts them).
struct HidCapabilities {
  std::uint16_t inputReportLength = 0;
  std::uint16_t outputReportLength = 0;
};

enum class HidAccess {
  kQuery,  // attributes and capabilities only, as an open without access rights
  kWrite,
  kRead
};

// How an interrupt-pipe transfer with a time limit ended.
enum class HidTransfer { kDone, kTimedOut, kFailed };

// One open handle of a HID device. Report buffers start with the report id byte.
class HidDevice {
 public:
  virtual ~HidDevice() = default;
  virtual bool SetInputBufferCount(std::uint32_t count) = 0;
  virtual bool Attributes(HidAttributes* attributes) = 0;
  virtual bool Capabilities(HidCapabilities* capabilities) = 0;
  // Reports through the control pipe (HidD_SetOutputReport / HidD_GetInputReport).
  virtual bool SetOutputReport(const std::uint8_t* report, std::size_t length) = 0;
  virtual bool GetInputReport(std::uint8_t* report, std::size_t length) = 0;
  // Reports through the interrupt pipes (overlapped WriteFile / ReadFile); a transfer that
  // does not end within the limit is cancelled.
  virtual HidTransfer WriteReport(const std::uint8_t* report, std::size_t length,
                                  std::uint32_t limitMs) = 0;
  virtual HidTransfer ReadReport(std::uint8_t* report, std::size_t length,
                                 std::uint32_t limitMs) = 0;
};

class HidProvider {
 public:
  virtual ~HidProvider() = default;
  // The device paths of the present HID interfaces, in the system's order.
  virtual std::vector<std::string> DevicePaths() = 0;
  // Null when the device cannot be opened.
  virtual std::unique_ptr<HidDevice> Open(const std::string& path, HidAccess access) = 0;
};

// The devices the library sees: the system's, unless a test has set its own.
HidProvider& Hid();
// Null restores the system's devices. The provider must outlive its use.
void SetHidProvider(HidProvider* provider);

// The system's own devices (each backend has one).
HidProvider& SystemHidProvider();

}  // namespace platform
