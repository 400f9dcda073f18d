#pragma once
// USB readers behind a device-interface class: the reader's own driver, reached by control
// requests, and the bulk pipes of a generic driver, reached by reads and writes. Tests
// replace the system's devices with their own through SetUsbDeviceProvider, on every
// system alike.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/device_handle.h"

namespace platform {

// A device-interface class GUID, field by field.
struct DeviceInterfaceClass {
  std::uint32_t data1;
  std::uint16_t data2;
  std::uint16_t data3;
  std::uint8_t data4[8];
};

class UsbDeviceProvider {
 public:
  virtual ~UsbDeviceProvider() = default;
  // The device paths of the present interfaces of `interfaceClass`, in the system's order.
  virtual std::vector<std::string> InterfacePaths(const DeviceInterfaceClass& interfaceClass) = 0;
  // Opens `path` (an interface path, or one with a pipe name after it) for reading and
  // writing; `shared` lets others open it too. Null when it does not open.
  virtual std::unique_ptr<DeviceHandle> Open(const std::string& path, bool shared) = 0;
};

// The devices the library sees: the system's, unless a test has set its own.
UsbDeviceProvider& UsbDevices();
// Null restores the system's devices. The provider must outlive its use.
void SetUsbDeviceProvider(UsbDeviceProvider* provider);

// The system's own devices (each backend has one). Linux has neither driver: it lists no
// interface.
UsbDeviceProvider& SystemUsbDeviceProvider();

}  // namespace platform
