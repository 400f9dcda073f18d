#include "library/device/port_api.h"

#include <cstdint>

#include "library/device/device_state.h"
#include "library/device/hid_transport.h"
#include "library/device/net_transport.h"
#include "library/device/pcsc_transport.h"
#include "library/device/sam_commands.h"
#include "library/device/serial_transport.h"
#include "library/device/usb_transport.h"
#include "platform/clock.h"
#include "platform/message_box.h"

namespace vantel {
namespace {

constexpr int kOpened = kReaderSuccess;
constexpr int kFailed = 1;

// The PC/SC readers a USB port number looks for, in this order.
constexpr const char* kPcscReaderNames[] = {"Kestor Passport Reader 0", "Wintone Passport Reader 0",
                                            "Wint Passport Reader 0", "Kestor SmartCard Reader 0"};

// Whether the M1 interface's device table still holds `handle`.
bool HeldByDeviceTable(const platform::DeviceHandle* handle) {
  for (const DcDevice& entry : Device().DcDeviceTable) {
    if (entry.kind && (entry.readHandle == handle || entry.writeHandle == handle)) return true;
  }
  return false;
}

void CloseHandleIfUnreferenced(platform::DeviceHandle* handle) {
  if (handle && !HeldByDeviceTable(handle)) delete handle;
}

// Closes the current byte-stream handles and forgets them.
void CloseStreamHandles() {
  DeviceState& device = Device();
  platform::DeviceHandle* read = device.gReadHandle;
  platform::DeviceHandle* write = device.gWriteHandle;
  device.gReadHandle = nullptr;
  device.gWriteHandle = nullptr;
  CloseHandleIfUnreferenced(read);
  if (write != read) CloseHandleIfUnreferenced(write);
}

void ReleaseStreamTransport() {
  CloseStreamHandles();
  Device().gTransportKind = kTransportNone;
}

// Gives a live PC/SC connection back. The PC/SC service grants each process only so many,
// and a connection nothing refers to any more would also make the next close take the
// PC/SC branch instead of closing the transport that is current.
void ReleasePcscCard() {
  std::intptr_t& card = Device().pcsc.gPcscCard;
  if (card == -1 || card == 0) return;
  PcscDisconnect(card);
  card = -1;
}

// Makes `read`/`write` the current transport. Handles of a transport that was never closed
// would otherwise stay open with nothing left to reach them, and keep the device busy.
void UseTransport(TransportKind kind, platform::DeviceHandle* read, platform::DeviceHandle* write) {
  DeviceState& device = Device();
  ReleasePcscCard();
  if (device.gReadHandle != read && device.gWriteHandle != write) CloseStreamHandles();
  device.gReadHandle = read;
  device.gWriteHandle = write;
  device.gTransportKind = kind;
}

void UseHidTransport() {
  UseTransport(kTransportHid, nullptr, nullptr);
  Device().gPort = kHidPort;
}

int OpenSerial(int port) {
  DeviceState& device = Device();
  if (device.gComBaud == 0 && GetComBaud(port, &device.gComBaud) != kOpened) return kFailed;
  platform::SleepMs(kPauseAfterOpenMs);
  std::unique_ptr<platform::SerialPort> serial = OpenComPort(port, device.gComBaud);
  if (!serial) return kFailed;
  platform::SerialPort* handle = serial.release();
  UseTransport(kTransportSerial, handle, handle);
  device.gPort = port;
  return kOpened;
}

int OpenUsb(int port) {
  DeviceState& device = Device();
  ReleasePcscCard();
  for (const char* name : kPcscReaderNames) {
    device.pcsc.gPcscCard = OpenPcscReader(name);
    if (device.pcsc.gPcscCard != -1) {
      ReleaseStreamTransport();
      device.gPort = kPcscPort;
      return kOpened;
    }
  }
  if (platform::DeviceHandle* driver = OpenUsbInterface(kUsbDriverInterface, port - kUsbPortFirst)) {
    UseTransport(kTransportUsbDriver, driver, driver);
  } else {
    platform::DeviceHandle* read = nullptr;
    platform::DeviceHandle* write = nullptr;
    if (OpenUsbPipes(&read, &write) != 0) return kFailed;
    UseTransport(kTransportUsbPipes, read, write);
  }
  device.gPort = kUsbPortFirst;
  return kOpened;
}

bool IsAcceptedByInitComm(int port) {
  return IsComPort(port) || IsUsbPort(port) || port == kHidPort || port == kNetPort;
}

// Probes the rates in order on an open probe port; the rate that answers, or 0.
int ProbeRates(int port, platform::SerialPort* probe) {
  ReaderSettings& settings = Settings();
  for (int i = 0; i < settings.gBaudProbeCount; ++i) {
    const int rate = settings.table[kBaudRateFirst + i];
    if (!probe->Configure(rate)) return 0;
    UseTransport(kTransportSerial, probe, probe);
    platform::SleepMs(kPauseAfterProbeOpenMs);
    if (settings.gBaudProbeCount == 1 || GetSamStatus(port, 0) == kOpened) return rate;
  }
  return 0;
}

int RateCode(int baud) {
  switch (baud) {
    case 115200: return 0;
    case 57600: return 1;
    case 38400: return 2;
    case 19200: return 3;
    case 9600: return 4;
    default: return -1;
  }
}

// The 11-byte answer to a rate change: header, LEN 00 04, SW1 SW2 SW3, check byte.
bool IsRateChangeAnswer(const std::uint8_t* answer) {
  const std::uint8_t header[] = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04};
  std::uint8_t check = 0;
  for (int i = 0; i < 7; ++i) {
    if (answer[i] != header[i]) return false;
  }
  for (int i = 5; i < 11; ++i) check ^= answer[i];
  return check == 0;
}

void ShowSelectionMessage(const char* text) { platform::ShowMessageBox(text, "DEBUG Init"); }

}  // namespace

bool IsComPort(int port) { return port >= 1 && port <= Settings().table[kMaxComPortNumber]; }

bool IsUsbPort(int port) { return port >= kUsbPortFirst && port < kUsbPortFirst + kUsbPortCount; }

int OpenPort(int port) {
  DeviceState& device = Device();
  device.gPort = 0;
  if (port == kNetPort) {
    ReleasePcscCard();
    ReleaseStreamTransport();
    device.gPort = kNetPort;
    return OpenNetReader();
  }
  device.hid.gHidOpen = HIDEnumerate() ? 1 : 0;
  if (device.hid.gHidOpen) {
    UseHidTransport();
    return kOpened;
  }
  if (IsComPort(port)) return OpenSerial(port);
  if (IsUsbPort(port)) return OpenUsb(port);
  if (port == kHidPort) {
    if (!HIDEnumerate()) return kFailed;
    UseHidTransport();
    return kOpened;
  }
  return kFailed;
}

int ClosePort(int port) {
  DeviceState& device = Device();
  std::intptr_t& card = device.pcsc.gPcscCard;
  if (device.gPort == kPcscPort || port == kPcscPort || (card != -1 && card != 0)) {
    PcscDisconnect(card);
    card = -1;
    device.gPort = 0;
  } else if (device.gPort == kNetPort || port == kNetPort) {
    CloseNetReader();
  } else if (device.gPort == kHidPort || port == kHidPort) {
    HIDCloseHandles();
    device.gPort = 0;
  } else {
    ReleaseStreamTransport();
  }
  return kOpened;
}

int InitComm(int port) {
  return IsAcceptedByInitComm(port) && OpenPort(port) == kOpened ? 1 : 0;
}

int CloseComm() {
  DeviceState& device = Device();
  if (!IsAcceptedByInitComm(device.gPort) && device.gPort != kPcscPort) return 0;
  ClosePort(device.gPort);
  device.gPort = 0;
  return 1;
}

int GetComBaud(int port, int* baud) {
  constexpr int kNotFound = 5;
  if (!IsComPort(port)) return kFailed;
  DeviceState& device = Device();
  if (device.gReadHandle) {
    auto* serial = dynamic_cast<platform::SerialPort*>(device.gReadHandle);
    if (!serial || !serial->CurrentBaud(baud)) ClosePort(port);
    return kNotFound;
  }
  std::unique_ptr<platform::SerialPort> probe = platform::SerialPort::Open(port);
  if (!probe) return kFailed;
  int currentRate = 0;  // only read here: the probe sets the rates itself
  if (!probe->SetTimeouts(kProbeTimeouts) || !probe->CurrentBaud(&currentRate)) return kNotFound;
  const int rate = ProbeRates(port, probe.get());
  if (device.gReadHandle == probe.get()) {
    // The probe is the open transport now. Closed directly: ClosePort would close whatever
    // else the state still names (a PC/SC card, the network reader) and keep the probe.
    probe.release();
    ReleaseStreamTransport();
  }
  if (rate == 0) return kNotFound;
  *baud = rate;
  return kOpened;
}

int SetComBaud(int port, int currentBaud, int newBaud) {
  constexpr int kRefused = 33;
  constexpr int kBadAnswer = 3;
  if (!IsComPort(port)) return kFailed;
  if (Device().gReadHandle) ClosePort(port);
  std::unique_ptr<platform::SerialPort> serial = OpenComPort(port, currentBaud);
  if (!serial) return kFailed;
  const int code = RateCode(newBaud);
  if (code < 0) return kRefused;
  const std::uint8_t request[] = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03,
                                  0x60, static_cast<std::uint8_t>(code),
                                  static_cast<std::uint8_t>(code ^ 0x63)};
  std::size_t done = 0;
  if (!serial->Write(request, sizeof request, &done) || done != sizeof request) return kRefused;
  std::uint8_t answer[11] = {};
  if (!serial->Read(answer, sizeof answer, &done) || done != sizeof answer ||
      !IsRateChangeAnswer(answer))
    return kBadAnswer;
  Device().gComBaud = newBaud;
  return answer[9];
}

int SetOpenComBaud(int baud) {
  Settings().table[kBaudRateFirst] = baud;
  Settings().gBaudProbeCount = 1;
  return 0;
}

int HidOpenByPort(int port) {
  if (port != kHidPort && !IsUsbPort(port)) return 0;
  if (!HIDEnumerate()) return 0;
  UseHidTransport();
  return 1;
}

int HidCloseSelection() {
  DeviceState& device = Device();
  if ((device.gPort != kHidPort && !IsUsbPort(device.gPort)) ||
      device.gTransportKind != kTransportHid)
    return 0;
  ReleaseStreamTransport();
  device.gPort = 0;
  return 1;
}

int UsbOpenByIndex(int port) {
  DeviceState& device = Device();
  device.gPort = 0;
  const int index = port - kUsbPortFirst;
  if (index < 0 || index >= kUsbPortCount) return 0;
  platform::DeviceHandle* driver = OpenUsbInterface(kUsbDriverInterface, index);
  if (!driver) return 0;
  UseTransport(kTransportUsbDriver, driver, driver);
  device.gPort = kUsbPortFirst;
  return 1;
}

int UsbCloseSelection() {
  DeviceState& device = Device();
  if (!IsUsbPort(device.gPort) || device.gTransportKind != kTransportUsbDriver) return 0;
  ReleaseStreamTransport();
  device.gPort = 0;
  return 1;
}

int FindAllUsb(int* usbFound, int* hidCount) {
  DeviceState& device = Device();
  *usbFound = 0;
  *hidCount = 0;
  device.gUsbReaderFound = UsbOpenByIndex(kUsbPortFirst);
  *usbFound = device.gUsbReaderFound;
  UsbCloseSelection();
  HidOpenByPort(kUsbPortFirst);
  *hidCount = device.hid.gHidCount;
  HidCloseSelection();
  return 1;
}

int SelectUsb(int type) {
  DeviceState& device = Device();
  switch (type) {
    case 0:
      if (device.gUsbReaderFound == 0) return ShowSelectionMessage("当前未连接部标设备！"), 0;
      if (UsbOpenByIndex(kUsbPortFirst)) return 1;
      return ShowSelectionMessage("部标设备端口初始化失败 ！"), 0;
    case 1:
      if (device.hid.gHidCount <= 0) return ShowSelectionMessage("当前未连接HID设备！"), 0;
      if (!HidOpenByPort(kUsbPortFirst)) return ShowSelectionMessage("HID设备端口初始化失败 ！"), 0;
      if (HIDSelect(1)) return 1;
      return ShowSelectionMessage("HID1设备选取失败 ！"), 0;
    case 2:
      if (device.hid.gHidCount < 2) return ShowSelectionMessage("当前HID设备不足两台！"), 0;
      if (!HidOpenByPort(kUsbPortFirst)) return ShowSelectionMessage("HID设备端口初始化失败 ！"), 0;
      if (HIDSelect(2)) return 1;
      return ShowSelectionMessage("HID2设备选取失败 ！"), 0;
    default:
      return 0;
  }
}

int InitZrtAndHidComm(int type) {
  int usbFound = 0;
  int hidCount = 0;
  FindAllUsb(&usbFound, &hidCount);
  return SelectUsb(type) ? 1 : 0;
}

int CloseZrtAndHidComm(int type) {
  if (type == 0) {
    UsbCloseSelection();
    return 1;
  }
  if (type == 1 || type == 2) {
    HidCloseSelection();
    return 1;
  }
  return 0;
}

}  // namespace vantel
