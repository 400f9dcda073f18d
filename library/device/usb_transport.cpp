#include "library/device/usb_transport.h"

#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace vantel {
namespace {

// The interface list is given a moment to settle after it is taken.
constexpr std::uint32_t kPauseAfterListingMs = 100;

}  // namespace

const platform::DeviceInterfaceClass kUsbDriverInterface{
    0xFF646F81, 0x8DEF, 0x11D2, {0x94, 0x49, 0x00, 0x10, 0x5A, 0x07, 0x5F, 0x6B}};
const platform::DeviceInterfaceClass kUsbPipeInterface{
    0x00873FDF, 0x61A8, 0x11D1, {0xAA, 0x5E, 0x00, 0xC0, 0x4F, 0xB1, 0x72, 0x8B}};

platform::DeviceHandle* OpenUsbInterface(const platform::DeviceInterfaceClass& interfaceClass,
                                         int index) {
  platform::UsbDeviceProvider& devices = platform::UsbDevices();
  std::vector<std::string> paths = devices.InterfacePaths(interfaceClass);
  platform::SleepMs(kPauseAfterListingMs);
  if (index < 0 || static_cast<std::size_t>(index) >= paths.size()) return nullptr;
  return devices.Open(paths[static_cast<std::size_t>(index)], true).release();
}

int OpenUsbPipes(platform::DeviceHandle** readHandle, platform::DeviceHandle** writeHandle) {
  platform::UsbDeviceProvider& devices = platform::UsbDevices();
  std::vector<std::string> paths = devices.InterfacePaths(kUsbPipeInterface);
  if (paths.empty()) return kNoUsbPipeInterface;
  std::unique_ptr<platform::DeviceHandle> read = devices.Open(paths[0] + "\\" + "PIPE00", false);
  std::unique_ptr<platform::DeviceHandle> write = devices.Open(paths[0] + "\\" + "PIPE01", false);
  if (!read || !write) return kUsbPipeNotOpened;
  *readHandle = read.release();
  *writeHandle = write.release();
  return kUsbPipesOpened;
}

}  // namespace vantel
