#include "library/device/psam.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "library/device/apdu.h"
#include "library/device/card_exchange.h"
#include "library/device/device_state.h"
#include "library/device/hex_text.h"

namespace vantel {
namespace {

constexpr std::uint8_t kAtrCommand = 0x32;
constexpr std::uint8_t kApduCommand = 0x33;
constexpr std::uint8_t kPowerOffCommand = 0x34;
constexpr std::uint8_t kTestCommand = 0x35;
constexpr int kMaxText = 522;
constexpr int kMaxSerialText = 252;
constexpr int kMaxHidText = 116;

std::uint8_t Slot() { return Device().gPsamSlot; }
const std::uint8_t* Report() { return Device().InputReport; }

bool IsPsamSlot(int slot) {
  const auto low = static_cast<std::uint8_t>(slot);
  return low == 1 || low == 2;
}

// The HID PSAM functions answer an error as LEN 4 with the error byte at [6].
int ReaderError() { return -1 - Report()[6]; }

int HidAtr(unsigned char* atr, int* atrLen) {
  const int length = HidAnswerDataLength();
  if (Report()[3] < 5 || length < 0 || Report()[4] != kAtrCommand || Report()[5] != 0xFF) return 0;
  std::memcpy(atr, Report() + 6, static_cast<std::size_t>(length));
  *atrLen = length;
  return 1;
}

int StreamAtr(const std::uint8_t* payload, int length, unsigned char* atr, int* atrLen) {
  StreamAnswer answer;
  if (!StreamVendorExchange(payload, length, &answer)) return -2;
  if (!answer.Read()) return -3;
  if (answer.length < 5 || !answer.Is(kAtrCommand) || answer.DataLength() > kMaxPsamAtrLength)
    return 0;
  std::memcpy(atr, answer.body + 2, answer.DataLength());
  *atrLen = static_cast<int>(answer.DataLength());
  return 1;
}

int HidSendCmd(const std::uint8_t* command, int n, unsigned char* out, int* outLen) {
  std::uint8_t payload[3 + kMaxHidText / 2] = {kApduCommand, 0xFF, Slot()};
  std::memcpy(payload + 3, command, static_cast<std::size_t>(n));
  HidVendorExchange(payload, n + 3);
  if (Report()[3] <= 4 || Report()[4] != kApduCommand || Report()[5] != 0xFF) return -2;
  return CollectHidAnswer(out, outLen);
}

int SerialSendCmd(const std::uint8_t* command, int n, int textLength, unsigned char* out,
                  int* outLen) {
  if (textLength > kMaxSerialText) return -1;
  std::uint8_t payload[3 + kMaxSerialText / 2] = {kApduCommand, 0xFF, Slot()};
  std::memcpy(payload + 3, command, static_cast<std::size_t>(n));
  const int written = StreamVendorWriteCount(payload, n + 3);
  if (written != n + 7) return WriteCountResult(written);
  StreamAnswer answer;
  StreamReadVendor(&answer);
  // A status-only answer (LEN 4) carries no response.
  if (!answer.Read() || answer.length <= 4) return 0;
  return DeliverStreamAnswer(answer, out, outLen);
}

// One HID exchange of the PSAM_ family, whatever the current port.
void HidPsamTransact(std::initializer_list<std::uint8_t> payload) {
  HidVendorExchange(payload.begin(), static_cast<int>(payload.size()));
}

}  // namespace

int PsamCardAtr(int slot, unsigned rate, int mode, unsigned char* atr, int* atrLen) {
  if (rate > 3) return -4;
  if (mode != 0 && mode != 1) return -5;
  if (!atr || !atrLen) return 0;
  Device().gPsamSlot = static_cast<std::uint8_t>(slot);
  const std::uint8_t payload[] = {kAtrCommand, 0xFF, Slot(), static_cast<std::uint8_t>(rate),
                                  static_cast<std::uint8_t>(mode)};
  if (UsesHidReader()) {
    HidVendorExchange(payload, sizeof payload);
    return HidAtr(atr, atrLen);
  }
  return StreamAtr(payload, sizeof payload, atr, atrLen);
}

int PsamCardSendCmd(const char* hexText, unsigned char* out, int* outLen) {
  if (!hexText || !out || !outLen) return 0;
  const int textLength = static_cast<int>(std::strlen(hexText));
  if (textLength > kMaxText) return -1;
  if (textLength == 0 || textLength % 2 != 0) return 0;
  std::uint8_t command[kMaxText / 2] = {};
  HexToBytes(hexText, command, textLength);
  const int n = textLength / 2;
  if (UsesHidReader()) return textLength > kMaxHidText ? 0 : HidSendCmd(command, n, out, outLen);
  if (Device().gTransportKind == kTransportSerial)
    return SerialSendCmd(command, n, textLength, out, outLen);
  return 0;
}

int PsamCardPowerOff() {
  const std::uint8_t payload[] = {kPowerOffCommand, 0xFF, Slot()};
  if (UsesHidReader()) {
    HidVendorExchange(payload, sizeof payload);
    if (Report()[5] != 0xFF || Report()[6] != 0xFF) return 0;
    return Report()[4] == kPowerOffCommand ? 1 : 0;
  }
  StreamAnswer answer;
  if (!StreamVendorExchange(payload, sizeof payload, &answer)) return -2;
  if (!answer.Read()) return -3;
  if (!answer.Is(kPowerOffCommand)) return 0;
  return answer.body[2] == 0xFF ? 1 : 0;
}

int PsamFunTest() {
  HidPsamTransact({kTestCommand, 0xFF, 0xFF});
  return Report()[6];
}

int PsamReadAtr(int slot, int rate, int mode, unsigned char* atr16) {
  if (!IsPsamSlot(slot)) return -2;
  if (static_cast<std::uint8_t>(rate) > 3) return -3;
  if (!atr16) return -5;
  HidPsamTransact({kAtrCommand, 0xFF, static_cast<std::uint8_t>(slot),
                   static_cast<std::uint8_t>(rate), static_cast<std::uint8_t>(mode)});
  if (Report()[3] == 0x13) {
    std::memcpy(atr16, Report() + 6, 16);
    return 0;
  }
  return Report()[3] == 4 ? ReaderError() : -5;
}

int PsamSendCmd(int slot, const unsigned char* data, int len, unsigned char* answer20) {
  if (!IsPsamSlot(slot)) return -2;
  // 55 AA LEN 33 FF slot, the bytes and XOR must fit one output report.
  if (len < 0 || len + 7 > HidFrameRoom() || (len > 0 && !data) || !answer20) return -3;
  std::uint8_t payload[sizeof Device().OutputReport] = {kApduCommand, 0xFF,
                                                         static_cast<std::uint8_t>(slot)};
  if (len > 0) std::memcpy(payload + 3, data, static_cast<std::size_t>(len));
  HidVendorExchange(payload, len + 3);
  if (Report()[3] == 0x17) {
    std::memcpy(answer20, Report() + 6, 20);
    return 0;
  }
  return Report()[3] == 4 ? ReaderError() : -3;
}

int PsamPowerOff(int slot) {
  if (!IsPsamSlot(slot)) return -2;
  HidPsamTransact({kPowerOffCommand, 0xFF, static_cast<std::uint8_t>(slot)});
  if (Report()[3] != 4) return -3;
  switch (Report()[6]) {
    case 0xFF: return 0;
    case 0x00: return -1;
    case 0x01: return -2;
    default: return -3;
  }
}

}  // namespace vantel
