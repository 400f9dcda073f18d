// Arbitrary reader answers to the M1, CPU card, APDU and PSAM commands, over the HID double
// (as input reports) or an in-process serial port (as a byte stream), into caller buffers of
// exactly the documented sizes.
// Input: byte 0 chooses the command, byte 1 bit 0 the transport (1 HID) and bit 1 a
// base64-wrapped reader; the rest is the reader's answer.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "library/cards/contactless_card.h"
#include "library/device/apdu.h"
#include "library/device/cpu_card.h"
#include "library/device/dc_commands.h"
#include "library/device/device_state.h"
#include "library/device/m1_card.h"
#include "library/device/psam.h"
#include "support/reader_sim_hid.h"
#include "support/stream_serial_port.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kDevice = 12;
const unsigned char kKey[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

Bytes gAnswer;

// Each command with a caller buffer of exactly its documented size.
int RunCommand(int which) {
  vantel::DeviceState& device = vantel::Device();
  std::vector<unsigned char> out;
  int length = 0;
  auto sized = [&out](std::size_t size) {
    out.assign(size, 0);
    return out.data();
  };
  switch (which) {
    case 0: device.gM1CardType = 1; return vantel::ReadM1Block(1, 0, 0x60, kKey, sized(16));
    case 1: device.gM1CardType = 4; return vantel::ReadM1Block(0, 4, 0x60, kKey, sized(16));
    case 2: device.gM1CardType = 3; return vantel::WriteM1Block(35, 9, 0x61, kKey, sized(16));
    case 3: device.gM1CardType = 4; return vantel::WriteM1Block(0, 9, 0x61, kKey, sized(16));
    case 4: return vantel::SendApdu("00A4040000", sized(263), &length);
    case 5: return vantel::SendApdu("00B0000000", sized(263), &length);
    case 6: return vantel::SendApdu(std::string(118, '1').c_str(), sized(263), &length);
    case 7: return vantel::ReadCpuCardAts(sized(vantel::kMaxAtsLength), &length);
    case 8: return vantel::ActivateCpuCard();
    case 9: return vantel::PsamCardAtr(1, 0, 0, sized(vantel::kMaxPsamAtrLength), &length);
    case 10: return vantel::PsamCardSendCmd("0084000008", sized(263), &length);
    case 11: return vantel::PsamCardPowerOff();
    case 12: return vantel::PsamReadAtr(1, 0, 0, sized(16));
    case 13: return vantel::PsamSendCmd(1, kKey, 6, sized(20));
    case 14: return vantel::PsamPowerOff(2);
    case 15: return vantel::DcRequest(kDevice, 1, &length);
    case 16: return vantel::DcAnticoll(kDevice, 0, sized(10));
    case 17: return vantel::DcRead(kDevice, 9, sized(16));
    case 18: return vantel::DcBeepLed(kDevice, 1, 1, 0);
    default: return vantel::FindIcCard();
  }
}
constexpr int kCommands = 20;

vantel_test::HidAttachment& Hid() {
  static auto* hid = [] {
    auto* attachment = new vantel_test::HidAttachment;
    attachment->AddReader([](const Bytes&) { return gAnswer; });
    return attachment;
  }();
  return *hid;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  vantel::Settings().gComTimeout = 300;
  vantel::DeviceState& device = vantel::Device();
  gAnswer.assign(data + 2, data + size);
  vantel_test::StreamSerialPort port;
  if (data[1] & 1) {
    Hid().Readers().front().pendingInputReports.clear();
    device.gPort = vantel::kHidPort;
  } else {
    port.AddPiece(gAnswer);
    device.gPort = kDevice;
    device.gTransportKind = vantel::kTransportSerial;
    device.gReadHandle = device.gWriteHandle = &port;
    device.DcDeviceTable[kDevice - 1] = vantel::DcDevice{&port, &port, 1};
    device.gComBase64 = (data[1] & 2) ? 1 : 0;
  }
  RunCommand(data[0] % kCommands);
  device.gReadHandle = device.gWriteHandle = nullptr;
  device.gTransportKind = vantel::kTransportNone;
  device.DcDeviceTable[kDevice - 1] = vantel::DcDevice{};
  return 0;
}
