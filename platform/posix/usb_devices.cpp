#include "platform/usb_devices.h"

namespace platform {
namespace {

// Linux has neither the reader's USB driver nor the generic bulk-pipe driver.
class NoUsbDevices : public UsbDeviceProvider {
 public:
  std::vector<std::string> InterfacePaths(const DeviceInterfaceClass&) override { return {}; }
  std::unique_ptr<DeviceHandle> Open(const std::string&, bool) override { return nullptr; }
};

}  // namespace

UsbDeviceProvider& SystemUsbDeviceProvider() {
  static NoUsbDevices devices;
  return devices;
}

}  // namespace platform
