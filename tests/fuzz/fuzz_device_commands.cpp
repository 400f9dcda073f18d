// Arbitrary bytes as the reader's answer to each reader command (the SAM's too), on the HID
// double or an in-process serial port, into caller buffers of exactly their documented sizes.
// Input: byte 0 chooses the command, byte 1 the path and the flags (bit 0 HID, bit 1
// base64-wrapped answers expected, bit 2 a "new version" reader); the rest is the answer,
// handed out again for every request on HID and in pieces of byte 1's high bits on serial.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "library/cards/idcard/card_search.h"
#include "library/device/commands/device_commands.h"
#include "library/device/commands/device_settings.h"
#include "library/device/commands/m1_devices.h"
#include "library/device/device_state.h"
#include "library/device/sam_commands.h"
#include "support/reader_sim_hid.h"
#include "support/stream_serial_port.h"
#include "support/transport_rig.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A buffer of exactly `size` bytes on the heap, so that a write past it is caught.
struct Buffer {
  explicit Buffer(std::size_t size) : bytes(size) {}
  std::uint8_t* data() { return bytes.data(); }
  char* text() { return reinterpret_cast<char*>(bytes.data()); }
  Bytes bytes;
};

const std::function<void()> kCommands[] = {
    [] { Buffer type(1); vantel::FindContactlessCard(type.data()); },
    [] { Buffer out(vantel::kMaxContactlessSerial); int n = 0; vantel::ReadContactlessSerial(out.data(), &n); },
    [] { vantel::SetNewVersion(1); },
    [] { vantel::SetTarnUpdate(); },
    [] { vantel::ShutDownAntenna(); },
    [] { vantel::SamvCommMaxLen(80); },
    [] { vantel::LedBeepControl(1, 1); },
    [] { Buffer text(17); vantel::ReadManagementNumber(text.text()); },
    [] { const std::uint8_t data[3] = {1, 2, 3}; vantel::SdCardWrite("f", data, 3); },
    [] { Buffer out(vantel::kMaxSdCardData); unsigned n = 0; vantel::SdCardRead("f", 40, out.data(), &n); },
    [] { vantel::PowerLedColor(2); },
    [] { Buffer out(253); int n = 0; vantel::SerialTypeACmd(0x40, nullptr, 0, out.data(), &n); },
    [] { Buffer out(3); vantel::GetTarnVersion(out.data()); },
    [] { Buffer text(12); vantel::GetMainVersion(text.text()); },
    [] { vantel::GetKvnType(); },
    [] { vantel::BeepLed(1, 1, 10); },
    [] { vantel::SetStandbySleep(60); },
    [] { vantel::GetStandbySleep(); },
    [] { vantel::SetLongPressedOff(4); },
    [] { vantel::GetLongPressedOff(); },
    [] { vantel::GetBtDevBatteryPower(); },
    [] { vantel::KvnVeldPowerOff(); },
    [] { Buffer out(252); int n = 0; vantel::TwoUsbDevGetParam(7, out.data(), &n); },
    [] { const std::uint8_t data[4] = {1, 2, 3, 4}; vantel::TwoUsbDevSetParam(7, data, 4); },
    [] { Buffer text(16); vantel::IcHlReadCardSn(text.text()); },
    [] { vantel::HidBeepLed(1, 0, 10); },
    // The SAM's commands that hand data out, on the current port.
    [] { Buffer id(16); vantel::GetSamId(vantel::Device().gPort, id.data(), 0); },
    [] { Buffer info(28); vantel::ReadMngInfo(vantel::Device().gPort, info.data(), 0); },
    [] { Buffer data(8); vantel::SelectIdCard(vantel::Device().gPort, reinterpret_cast<int*>(data.data()), 0); },
    [] { Buffer record(280); unsigned n = 0; vantel::ReadNewAppMsg(vantel::Device().gPort, record.data(), &n, 0); },
};
constexpr std::size_t kCommandCount = sizeof kCommands / sizeof kCommands[0];

Bytes gAnswer;

vantel_test::SimulatedHidReader& HidReader() {
  static vantel_test::HidAttachment* attachment = new vantel_test::HidAttachment;
  static vantel_test::SimulatedHidReader& reader =
      attachment->AddReader([](const Bytes&) { return gAnswer; });
  return reader;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  vantel_test::ResetLibraryState();
  vantel::DeviceState& device = vantel::Device();
  device.gComBase64 = (data[1] & 0x02) ? 1 : 0;
  device.gNewVersion = (data[1] & 0x04) ? 1 : 0;
  vantel::Settings().gComTimeout = 400;
  gAnswer.assign(data + 2, data + size);
  vantel_test::StreamSerialPort port;
  if (data[1] & 0x01) {
    HidReader().pendingInputReports.clear();
    device.gPort = vantel::kHidPort;
  } else {
    const std::size_t pieceSize = (data[1] >> 3) * 4u + 1;
    for (std::size_t at = 2; at < size; at += pieceSize)
      port.AddPiece(Bytes(data + at, data + (at + pieceSize < size ? at + pieceSize : size)));
    device.gPort = 11;
    device.gTransportKind = vantel::kTransportSerial;
    device.gReadHandle = device.gWriteHandle = &port;
  }
  kCommands[data[0] % kCommandCount]();
  device.gReadHandle = device.gWriteHandle = nullptr;
  device.gTransportKind = vantel::kTransportNone;
  return 0;
}
