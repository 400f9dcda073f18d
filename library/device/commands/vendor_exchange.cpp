#include "library/device/commands/vendor_exchange.h"

#include <algorithm>
#include <cstring>

#include "library/device/device_state.h"
#include "library/device/hid_transport.h"
#include "library/device/net_transport.h"
#include "library/device/pcsc_transport.h"
#include "library/device/port_api.h"

namespace vantel {
namespace {

// What one output report carries after its report id when the reader has not said.
constexpr int kReaderReportPayload = 64;
constexpr int kNetAnswerSize = 256;

// Starts a HID exchange: both reports cleared, report id 0.
void ClearReports() {
  DeviceState& device = Device();
  std::memset(device.OutputReport, 0, sizeof device.OutputReport);
  std::memset(device.InputReport, 0, sizeof device.InputReport);
}

}  // namespace

bool PcscConnected() {
  const DeviceState& device = Device();
  return device.gPort == kPcscPort && device.pcsc.gPcscCard != -1;
}

VendorPath VendorPathNow(bool hasPcscText, bool hasNetworkForm) {
  const int port = Device().gPort;
  if (hasPcscText && PcscConnected()) return VendorPath::kPcsc;
  if (hasNetworkForm && port == kNetPort) return VendorPath::kNetwork;
  if (port == kHidPort) return VendorPath::kHid;
  return VendorPath::kStream;
}

bool IsComOrUsbPort(int port) { return IsComPort(port) || IsUsbPort(port); }

int PcscVendorExchange(const char* text, std::uint8_t* answer) {
  std::memset(answer, 0, kPcscAnswerSize);
  const int textLength = static_cast<int>(std::strlen(text));
  std::uint8_t command[kPcscAnswerSize] = {};
  const int usable = std::min<int>(textLength, 2 * sizeof command);
  ParseHexText(text, command, usable);
  unsigned received = kPcscAnswerSize;
  PCSCTransmit(Device().pcsc.gPcscCard, static_cast<unsigned>(usable / 2), command, &received,
               answer);
  return static_cast<int>(received);
}

bool PcscAnswerOk(const char* text) {
  std::uint8_t answer[kPcscAnswerSize];
  PcscVendorExchange(text, answer);
  return answer[0] == 0x90 && answer[1] == 0x00;
}

int HidFrameRoom() {
  const int reportLength = Device().hid.outputReportLength;
  const int room = reportLength > 1 ? reportLength - 1 : kReaderReportPayload;
  return std::min<int>(room, sizeof Device().OutputReport - 1);
}

bool HidFrameExchange(const std::uint8_t* frame, int length) {
  if (length < 0 || length > HidFrameRoom()) return false;
  ClearReports();
  std::memcpy(Device().OutputReport + 1, frame, static_cast<std::size_t>(length));
  HIDTransact();
  return true;
}

bool HidVendorExchange(const std::uint8_t* payload, int length) {
  if (length < 0 || length + 4 > HidFrameRoom()) return false;
  std::uint8_t frame[sizeof Device().OutputReport] = {0x55, 0xAA, static_cast<std::uint8_t>(length + 1)};
  std::memcpy(frame + 3, payload, static_cast<std::size_t>(length));
  std::uint8_t check = 0;
  for (int i = 0; i < length + 3; ++i) check ^= frame[i];
  frame[length + 3] = check;
  return HidFrameExchange(frame, length + 4);
}

bool HidAnswerFramed() {
  const std::uint8_t* in = Device().InputReport;
  return in[0] == 0 && in[1] == 0x55 && in[2] == 0xAA;
}

int NetFrameExchange(const std::uint8_t* frame, int length) {
  std::uint8_t* in = Device().InputReport;
  std::memset(in, 0, kNetAnswerSize);
  if (WriteNetDevice(reinterpret_cast<const char*>(frame), length) != 0) return kNetNotSent;
  const int received = ReadNetDevice(reinterpret_cast<char*>(in), kNetAnswerSize);
  return received > 0 ? received : kNetNothingReceived;
}

bool StreamWriteVendor(const std::uint8_t* payload, int length) {
  DeviceState& device = Device();
  return WriteVendorFrame(device.gReadHandle, device.gWriteHandle, device.gTransportKind, payload,
                          length) == length + 4;
}

void StreamReadVendor(StreamAnswer* answer, AnswerReader reader) {
  DeviceState& device = Device();
  answer->length = sizeof answer->body;
  const bool wrapped = reader == AnswerReader::kByBase64Flag && device.gComBase64 == 1;
  answer->readResult =
      wrapped ? ReadSamFrame(device.gReadHandle, device.gWriteHandle, device.gTransportKind,
                             answer->body, &answer->length)
              : ReadVendorFrame(device.gReadHandle, device.gWriteHandle, device.gTransportKind,
                                answer->body, &answer->length);
  if (!answer->Read()) answer->length = 0;
}

bool StreamVendorExchange(const std::uint8_t* payload, int length, StreamAnswer* answer,
                          AnswerReader reader) {
  if (!StreamWriteVendor(payload, length)) return false;
  StreamReadVendor(answer, reader);
  return true;
}

}  // namespace vantel
