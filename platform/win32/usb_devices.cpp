#include "platform/usb_devices.h"

#include <windows.h>
#include <setupapi.h>

#include <cstring>
#include <vector>

#include "platform/win32/overlapped_transfer.h"

namespace platform {
namespace {

GUID ToGuid(const DeviceInterfaceClass& interfaceClass) {
  GUID guid;
  guid.Data1 = interfaceClass.data1;
  guid.Data2 = interfaceClass.data2;
  guid.Data3 = interfaceClass.data3;
  std::memcpy(guid.Data4, interfaceClass.data4, sizeof guid.Data4);
  return guid;
}

std::string InterfacePath(HDEVINFO list, SP_DEVICE_INTERFACE_DATA* member) {
  DWORD needed = 0;
  SetupDiGetDeviceInterfaceDetailA(list, member, nullptr, 0, &needed, nullptr);
  if (needed < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) return std::string();
  std::vector<std::uint8_t> buffer(needed);
  auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(buffer.data());
  detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
  if (!SetupDiGetDeviceInterfaceDetailA(list, member, detail, needed, nullptr, nullptr))
    return std::string();
  return detail->DevicePath;
}

// A silent reader must not hold a read (and the reader lock of its caller) for good: reads
// end after the library's answer wait. Writes and driver requests wait as long as they take.
constexpr DWORD kReadLimitMs = 5000;

// A driver interface or a pipe opened with CreateFileA for overlapped transfers, each with
// the handle's own event; closed with the object.
class Win32UsbHandle : public DeviceHandle {
 public:
  Win32UsbHandle(HANDLE handle, HANDLE event) : handle_(handle), event_(event) {}
  ~Win32UsbHandle() override {
    CloseHandle(handle_);
    CloseHandle(event_);
  }

  bool Write(const std::uint8_t* data, std::size_t length, std::size_t* done) override {
    return Transfer(INFINITE, done, [&](OVERLAPPED* overlapped) {
      return WriteFile(handle_, data, static_cast<DWORD>(length), nullptr, overlapped) != FALSE;
    });
  }

  bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t* done) override {
    return ReadWithin(buffer, capacity, kReadLimitMs, done);
  }

  // A read that times out has failed.
  bool ReadWithin(std::uint8_t* buffer, std::size_t capacity, std::uint32_t limitMs,
                  std::size_t* done) override {
    return Transfer(limitMs, done, [&](OVERLAPPED* overlapped) {
      return ReadFile(handle_, buffer, static_cast<DWORD>(capacity), nullptr, overlapped) != FALSE;
    });
  }

  bool Control(std::uint32_t code, const std::uint8_t* in, std::size_t inLength,
               std::uint8_t* out, std::size_t outCapacity, std::size_t* done) override {
    std::size_t returned = 0;
    const bool ok = Transfer(INFINITE, &returned, [&](OVERLAPPED* overlapped) {
      return DeviceIoControl(handle_, code, const_cast<std::uint8_t*>(in),
                             static_cast<DWORD>(inLength), out, static_cast<DWORD>(outCapacity),
                             nullptr, overlapped) != FALSE;
    });
    if (done) *done = returned;
    return ok;
  }

 private:
  template <typename Start>
  bool Transfer(DWORD limitMs, std::size_t* done, Start start) {
    DWORD moved = 0;
    const bool ok = OverlappedTransfer(handle_, event_, limitMs, start, &moved) == TransferEnd::kDone;
    *done = moved;
    return ok;
  }

  HANDLE handle_;
  HANDLE event_;  // manual reset
};

class Win32UsbDevices : public UsbDeviceProvider {
 public:
  std::vector<std::string> InterfacePaths(const DeviceInterfaceClass& interfaceClass) override {
    GUID guid = ToGuid(interfaceClass);
    HDEVINFO list = SetupDiGetClassDevsA(&guid, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    std::vector<std::string> paths;
    if (list == INVALID_HANDLE_VALUE) return paths;
    SP_DEVICE_INTERFACE_DATA member{};
    member.cbSize = sizeof member;
    for (DWORD index = 0; SetupDiEnumDeviceInterfaces(list, nullptr, &guid, index, &member); ++index)
      paths.push_back(InterfacePath(list, &member));
    SetupDiDestroyDeviceInfoList(list);
    return paths;
  }

  std::unique_ptr<DeviceHandle> Open(const std::string& path, bool shared) override {
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                shared ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!event) {
      CloseHandle(handle);
      return nullptr;
    }
    return std::make_unique<Win32UsbHandle>(handle, event);
  }
};

}  // namespace

UsbDeviceProvider& SystemUsbDeviceProvider() {
  static Win32UsbDevices devices;
  return devices;
}

}  // namespace platform
