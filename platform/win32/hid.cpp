// HID devices through SetupAPI and hid.dll.
#include "platform/hid.h"

#include <windows.h>
#include <setupapi.h>
// mingw-w64's hid headers declare their functions without C linkage.
extern "C" {
#include <hidsdi.h>
}

#include <vector>

#include "platform/win32/overlapped_transfer.h"

namespace platform {
namespace {

HidTransfer AsHidTransfer(TransferEnd end) {
  if (end == TransferEnd::kDone) return HidTransfer::kDone;
  return end == TransferEnd::kTimedOut ? HidTransfer::kTimedOut : HidTransfer::kFailed;
}

class Win32HidDevice : public HidDevice {
 public:
  Win32HidDevice(HANDLE handle, HANDLE event) : handle_(handle), event_(event) {}
  ~Win32HidDevice() override {
    CloseHandle(handle_);
    if (event_) CloseHandle(event_);
  }

  bool SetInputBufferCount(std::uint32_t count) override {
    return HidD_SetNumInputBuffers(handle_, count) != FALSE;
  }

  bool Attributes(HidAttributes* attributes) override {
    HIDD_ATTRIBUTES raw{};
    raw.Size = sizeof raw;
    if (!HidD_GetAttributes(handle_, &raw)) return false;
    attributes->vendorId = raw.VendorID;
    attributes->productId = raw.ProductID;
    return true;
  }

  bool Capabilities(HidCapabilities* capabilities) override {
    PHIDP_PREPARSED_DATA preparsed = nullptr;
    if (!HidD_GetPreparsedData(handle_, &preparsed)) return false;
    HIDP_CAPS caps{};
    const bool read = HidP_GetCaps(preparsed, &caps) == HIDP_STATUS_SUCCESS;
    HidD_FreePreparsedData(preparsed);
    if (!read) return false;
    capabilities->inputReportLength = caps.InputReportByteLength;
    capabilities->outputReportLength = caps.OutputReportByteLength;
    return true;
  }

  bool SetOutputReport(const std::uint8_t* report, std::size_t length) override {
    std::vector<std::uint8_t> copy(report, report + length);
    return HidD_SetOutputReport(handle_, copy.data(), static_cast<ULONG>(length)) != FALSE;
  }

  bool GetInputReport(std::uint8_t* report, std::size_t length) override {
    return HidD_GetInputReport(handle_, report, static_cast<ULONG>(length)) != FALSE;
  }

  HidTransfer WriteReport(const std::uint8_t* report, std::size_t length,
                          std::uint32_t limitMs) override {
    if (!event_) return HidTransfer::kFailed;
    return AsHidTransfer(OverlappedTransfer(handle_, event_, limitMs, [&](OVERLAPPED* overlapped) {
      return WriteFile(handle_, report, static_cast<DWORD>(length), nullptr, overlapped) != FALSE;
    }));
  }

  HidTransfer ReadReport(std::uint8_t* report, std::size_t length,
                         std::uint32_t limitMs) override {
    if (!event_) return HidTransfer::kFailed;
    return AsHidTransfer(OverlappedTransfer(handle_, event_, limitMs, [&](OVERLAPPED* overlapped) {
      return ReadFile(handle_, report, static_cast<DWORD>(length), nullptr, overlapped) != FALSE;
    }));
  }

 private:
  HANDLE handle_;
  HANDLE event_;  // manual reset, initially signalled; only the overlapped handles have one
};

class SetupApiHidProvider : public HidProvider {
 public:
  std::vector<std::string> DevicePaths() override {
    std::vector<std::string> paths;
    GUID hidClass;
    HidD_GetHidGuid(&hidClass);
    HDEVINFO list =
        SetupDiGetClassDevsA(&hidClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (list == INVALID_HANDLE_VALUE) return paths;
    SP_DEVICE_INTERFACE_DATA item{};
    item.cbSize = sizeof item;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(list, nullptr, &hidClass, index, &item);
         ++index) {
      DWORD size = 0;
      SetupDiGetDeviceInterfaceDetailA(list, &item, nullptr, 0, &size, nullptr);
      if (size < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) continue;
      std::vector<std::uint8_t> storage(size);
      auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
      detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
      if (SetupDiGetDeviceInterfaceDetailA(list, &item, detail, size, nullptr, nullptr))
        paths.emplace_back(detail->DevicePath);
    }
    SetupDiDestroyDeviceInfoList(list);
    return paths;
  }

  std::unique_ptr<HidDevice> Open(const std::string& path, HidAccess access) override {
    const bool query = access == HidAccess::kQuery;
    const DWORD rights = query ? 0 : access == HidAccess::kWrite ? GENERIC_WRITE : GENERIC_READ;
    HANDLE handle = CreateFileA(path.c_str(), rights, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING,
                                query ? FILE_ATTRIBUTE_NORMAL : FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE event = query ? nullptr : CreateEventA(nullptr, TRUE, TRUE, "");
    return std::make_unique<Win32HidDevice>(handle, event);
  }
};

}  // namespace

HidProvider& SystemHidProvider() {
  static SetupApiHidProvider provider;
  return provider;
}

}  // namespace platform
