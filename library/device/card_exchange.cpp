#include "library/device/card_exchange.h"

#include <cstring>

#include "library/device/device_state.h"
#include "library/device/frames.h"
#include "library/device/hid_transport.h"
#include "library/device/pcsc_transport.h"

namespace vantel {

bool UsesPcscCard() {
  const DeviceState& device = Device();
  return device.gPort == kPcscPort && device.pcsc.gPcscCard != -1;
}

bool UsesHidReader() { return Device().gPort == kHidPort; }

int BuildVendorFrame(const std::uint8_t* payload, int length, std::uint8_t* frame) {
  frame[0] = 0x55;
  frame[1] = 0xAA;
  frame[2] = static_cast<std::uint8_t>(length + 1);
  std::memcpy(frame + 3, payload, static_cast<std::size_t>(length));
  std::uint8_t check = 0;
  for (int i = 0; i < length + 3; ++i) check ^= frame[i];
  frame[length + 3] = check;
  return length + 4;
}

void PrepareHidVendorReport(const std::uint8_t* payload, int length) {
  DeviceState& device = Device();
  std::memset(device.OutputReport, 0, sizeof device.OutputReport);
  std::memset(device.InputReport, 0, sizeof device.InputReport);
  BuildVendorFrame(payload, length, device.OutputReport + 1);
}

void HidVendorTransact(const std::uint8_t* payload, int length) {
  PrepareHidVendorReport(payload, length);
  HIDTransact();
}

int HidAnswerDataLength() {
  const int length = Device().InputReport[3] - 3;
  return length >= 0 && length <= kHidReportDataSize ? length : -1;
}

int StreamVendorWrite(const std::uint8_t* payload, int length) {
  DeviceState& device = Device();
  return WriteVendorFrame(device.gReadHandle, device.gWriteHandle, device.gTransportKind, payload,
                          length);
}

int StreamVendorRead(std::uint8_t* out, unsigned* outLength) {
  DeviceState& device = Device();
  if (device.gComBase64 == 1)
    return ReadSamFrame(device.gReadHandle, device.gWriteHandle, device.gTransportKind, out,
                        outLength);
  return ReadVendorFrame(device.gReadHandle, device.gWriteHandle, device.gTransportKind, out,
                         outLength);
}

int PcscTextExchange(const char* text, std::uint8_t* answer, unsigned capacity) {
  const int textLength = static_cast<int>(std::strlen(text));
  std::uint8_t command[128] = {};
  ParseHexText(text, command, textLength);
  std::memset(answer, 0, capacity);
  unsigned received = capacity;
  PCSCTransmit(Device().pcsc.gPcscCard, static_cast<unsigned>(textLength / 2), command, &received,
               answer);
  return static_cast<int>(received);
}

int WriteCountResult(int count) { return count == 1 ? 0 : count; }

}  // namespace vantel
