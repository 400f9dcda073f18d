#include "library/device/commands/m1_devices.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "library/device/commands/device_commands.h"
#include "library/device/device_state.h"
#include "library/device/port_api.h"
#include "library/device/serial_transport.h"

namespace vantel {
namespace {

constexpr int kDefaultDcBaud = 115200;
// The text of a serial fills at most the 16 bytes the caller's buffer holds, NUL included.
constexpr int kMaxSerialForText = 7;

bool IsDeviceNumber(int number) { return number >= 1 && number <= 256; }

// Frees an entry and closes its handle, which the current transport may no longer use.
void ReleaseEntry(DcDevice& entry) {
  DeviceState& device = Device();
  platform::DeviceHandle* write = entry.writeHandle;
  platform::DeviceHandle* read = entry.readHandle;
  entry = DcDevice{};
  for (platform::DeviceHandle* handle : {write, read}) {
    if (!handle) continue;
    if (device.gReadHandle == handle) device.gReadHandle = nullptr;
    if (device.gWriteHandle == handle) device.gWriteHandle = nullptr;
  }
  delete write;
  if (read != write) delete read;
}

}  // namespace

int DcInit(int port) {
  ClosePort(port);
  if (!IsDeviceNumber(port)) return -1;
  DeviceState& device = Device();
  DcDevice& entry = device.DcDeviceTable[port - 1];
  // A second open of the same number reopens the line: the first handle would hold it.
  if (entry.kind) ReleaseEntry(entry);
  if (device.gComBaud == 0) device.gComBaud = kDefaultDcBaud;
  std::unique_ptr<platform::SerialPort> serial = OpenComPort(port, device.gComBaud);
  if (!serial) return -1;
  platform::SerialPort* handle = serial.release();
  entry = DcDevice{handle, handle, 1};
  device.gTransportKind = kTransportSerial;
  device.gPort = port;
  device.gReadHandle = handle;
  device.gWriteHandle = handle;
  device.gDcCardSerial = 0;
  return port;
}

int DcExit(int deviceNumber) {
  if (!IsDeviceNumber(deviceNumber)) return -1;
  ClosePort(deviceNumber);
  DcDevice& entry = Device().DcDeviceTable[deviceNumber - 1];
  if (entry.kind) ReleaseEntry(entry);
  return 0;
}

int IcHlReadCardSn(char* out) {
  if (!out) return 0;
  std::uint8_t serial[1024];
  int length = 0;
  const int result = ReadContactlessSerial(serial, &length);
  std::memset(out, 0, 16);
  if (result != 2 || length > kMaxSerialForText) return 0;
  for (int i = 0; i < length; ++i) std::snprintf(out + 2 * i, 3, "%02X", serial[i]);
  return 1;
}

}  // namespace vantel
