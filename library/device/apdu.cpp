#include "library/device/apdu.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "library/device/card_exchange.h"
#include "library/device/device_state.h"
#include "library/device/hex_text.h"
#include "library/device/hid_transport.h"
#include "library/device/pcsc_transport.h"

namespace vantel {
namespace {

constexpr int kMaxApduText = 496;
constexpr int kMaxSerialApduText = 252;
constexpr int kMaxHidShortText = 116;
constexpr int kChunkBytes = 55;
constexpr int kLongAnswerLength = 248;
constexpr int kLongAnswerCollected = 264;
constexpr int kCommandBufferSize = 530;
constexpr int kAnswerBufferSize = 1024;
constexpr int kReadBinaryHalf = 128;
constexpr std::uint8_t kApduCommand = 0x51;

bool IsReadBinaryWhole(const std::uint8_t* command) {
  return command[0] == 0x00 && command[1] == 0xB0 && command[2] == 0x00 && command[4] == 0x00;
}

// One half of a split READ BINARY: 00 B0, the offset, 80.
int ReadBinaryHalf(int offset, unsigned char* out, int* outLen) {
  const unsigned char command[5] = {0x00, 0xB0, static_cast<unsigned char>(offset >> 8),
                                    static_cast<unsigned char>(offset), 0x80};
  char text[11];
  BytesToLowerHex(text, 5, command);
  return SendApdu(text, out, outLen);
}

// A READ BINARY of 256 bytes asked for in two halves of 128, each answered with its
// status word: the second half lands over the first half's status word.
int ReadBinarySplit(std::uint8_t p2, unsigned char* out, int* outLen) {
  constexpr int kFullHalf = kReadBinaryHalf + 2;
  unsigned char half[kApduAnswerCapacity];
  int length = 0;
  int result = ReadBinaryHalf(p2, half, &length);
  if (result != 1) return result;
  if (length > kFullHalf) return 0;
  std::memcpy(out, half, static_cast<std::size_t>(length));
  // A short first half is the whole file: nothing lies past it to join.
  if (length < kFullHalf) {
    *outLen = length;
    return 1;
  }
  result = ReadBinaryHalf(p2 + kReadBinaryHalf, half, &length);
  if (result != 1) return result;
  if (length > kFullHalf) return 0;
  std::memcpy(out + kReadBinaryHalf, half, static_cast<std::size_t>(length));
  *outLen = length + kReadBinaryHalf;
  return 1;
}

// Requests longer than one report go out in chunks of 55 bytes, each its own frame
// 51 index 00 total count and the bytes, written without reading; then one answer is read.
void HidSendChunked(const std::uint8_t* command, int n, int textLength) {
  const int count = textLength / 110 + 1;
  std::uint8_t payload[5 + kChunkBytes];
  for (int index = 1; index <= count; ++index) {
    const int size = index < count ? kChunkBytes : n - kChunkBytes * (count - 1);
    const std::uint8_t head[5] = {kApduCommand, static_cast<std::uint8_t>(index), 0x00,
                                  static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(count)};
    std::memcpy(payload, head, sizeof head);
    std::memcpy(payload + 5, command + kChunkBytes * (index - 1), static_cast<std::size_t>(size));
    PrepareHidVendorReport(payload, 5 + size);
    HIDWriteReport();
  }
  HIDGetReport();
}

int HidApdu(const std::uint8_t* command, int n, int textLength, unsigned char* out, int* outLen) {
  if (textLength <= kMaxHidShortText) {
    std::uint8_t payload[2 + kMaxHidShortText / 2] = {kApduCommand, 0xFF};
    std::memcpy(payload + 2, command, static_cast<std::size_t>(n));
    HidVendorExchange(payload, n + 2);
  } else {
    HidSendChunked(command, n, textLength);
  }
  const std::uint8_t* report = Device().InputReport;
  if (report[4] != kApduCommand || report[5] != 0xFF) return -2;
  return CollectHidAnswer(out, outLen);
}

int SerialApdu(const std::uint8_t* command, int n, int textLength, unsigned char* out,
               int* outLen) {
  if (textLength > kMaxSerialApduText) return -1;
  std::uint8_t payload[2 + kMaxSerialApduText / 2] = {kApduCommand, 0xFF};
  std::memcpy(payload + 2, command, static_cast<std::size_t>(n));
  const int written = StreamVendorWriteCount(payload, n + 2);
  if (written != n + 6) return WriteCountResult(written);
  StreamAnswer answer;
  StreamReadVendor(&answer);
  if (!answer.Is(kApduCommand)) return 0;
  return DeliverStreamAnswer(answer, out, outLen);
}

int PcscApdu(const std::uint8_t* command, int n, unsigned char* out, int* outLen) {
  std::uint8_t answer[kAnswerBufferSize] = {};
  unsigned received = sizeof answer;
  PCSCTransmit(Device().pcsc.gPcscCard, static_cast<unsigned>(n), command, &received, answer);
  // No status word: the transmit failed.
  if (received < 2 || answer[0] == 0xFC || received > kApduAnswerCapacity) return 0;
  std::memcpy(out, answer, received);
  *outLen = static_cast<int>(received);
  return 1;
}

// The end of a long answer: the first position from the back whose byte is non-zero and
// follows 90 00.
int LongAnswerLength(const std::uint8_t* answer) {
  for (int i = kLongAnswerCollected - 1; i >= 3; --i)
    if (answer[i] != 0 && answer[i - 2] == 0x90 && answer[i - 1] == 0x00) return i;
  return -1;
}

}  // namespace

int DeliverStreamAnswer(const StreamAnswer& answer, unsigned char* out, int* outLen) {
  const unsigned length = answer.DataLength();
  if (length > kApduAnswerCapacity) return 0;
  std::memcpy(out, answer.body + 2, length);
  *outLen = static_cast<int>(length);
  return 1;
}

int CollectHidAnswer(unsigned char* out, int* outLen) {
  DeviceState& device = Device();
  const int length = device.InputReport[3] - 3;
  if (length < 0) return 0;
  const bool isLong = length > kLongAnswerLength;
  const int due = isLong ? kLongAnswerCollected : length + 1;
  std::uint8_t answer[kLongAnswerCollected] = {};
  // Only the bytes the reader's reports hold are its answer's, however long they are.
  const int payload = static_cast<int>(HIDInputPayload());
  int collected = std::min(due, HidReportDataRoom());
  std::memcpy(answer, device.InputReport + 6, static_cast<std::size_t>(collected));
  device.hid.gAcceptEmptyReport = 1;
  while (collected < due && payload > 0) {
    HIDGetReport();
    if (device.hid.gHidOpen != 1) break;
    const int piece = std::min(due - collected, payload);
    std::memcpy(answer + collected, device.InputReport + 1, static_cast<std::size_t>(piece));
    collected += piece;
  }
  device.hid.gAcceptEmptyReport = 0;
  if (collected < due) return 0;
  const int delivered = isLong ? LongAnswerLength(answer) : length;
  if (delivered < 0) return -3;
  std::memcpy(out, answer, static_cast<std::size_t>(delivered));
  *outLen = delivered;
  return 1;
}

int SendApdu(const char* hexText, unsigned char* out, int* outLen) {
  if (!hexText || !out || !outLen) return 0;
  const int textLength = static_cast<int>(std::strlen(hexText));
  if (textLength > kMaxApduText) return -1;
  if (textLength == 0 || textLength % 2 != 0) return 0;
  std::uint8_t command[kCommandBufferSize] = {};
  // After a bad digit the rest of the command stays zero, as the reader then gets it.
  HexToBytes(hexText, command, textLength);
  const int n = textLength / 2;
  if (IsReadBinaryWhole(command)) return ReadBinarySplit(command[3], out, outLen);
  if (PcscConnected()) return PcscApdu(command, n, out, outLen);
  if (UsesHidReader()) return HidApdu(command, n, textLength, out, outLen);
  if (Device().gTransportKind == kTransportSerial)
    return SerialApdu(command, n, textLength, out, outLen);
  return -3;
}

}  // namespace vantel
