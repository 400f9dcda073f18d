#include "platform/usb_devices.h"

namespace platform {
namespace {

UsbDeviceProvider* gTestProvider = nullptr;

}  // namespace

UsbDeviceProvider& UsbDevices() { return gTestProvider ? *gTestProvider : SystemUsbDeviceProvider(); }

void SetUsbDeviceProvider(UsbDeviceProvider* provider) { gTestProvider = provider; }

}  // namespace platform
