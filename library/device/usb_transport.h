#pragma once
// USB readers (port numbers 1001..1016) that are not PC/SC readers: through the reader's
// own USB driver (control requests on its device interface) or through the two bulk pipes
// of a generic USB driver, "PIPE00" read from and "PIPE01" written to.
#include "platform/usb_devices.h"

namespace vantel {

// {FF646F81-8DEF-11D2-9449-00105A075F6B}: USB reader k (k = port - 1001) is its k-th
// present interface.
extern const platform::DeviceInterfaceClass kUsbDriverInterface;
// {00873FDF-61A8-11D1-AA5E-00C04FB1728B}: only its first present interface is used.
extern const platform::DeviceInterfaceClass kUsbPipeInterface;

// The `index`-th present interface of the class, opened for reading and writing and shared
// with others; null when it is absent or does not open. The caller owns the handle.
platform::DeviceHandle* OpenUsbInterface(const platform::DeviceInterfaceClass& interfaceClass,
                                         int index);

enum UsbPipesResult : int { kUsbPipesOpened = 0, kNoUsbPipeInterface = 1, kUsbPipeNotOpened = 2 };

// Opens both pipes of the first pipe interface; on kUsbPipesOpened the caller owns both.
int OpenUsbPipes(platform::DeviceHandle** readHandle, platform::DeviceHandle** writeHandle);

}  // namespace vantel
