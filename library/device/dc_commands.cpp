#include "library/device/dc_commands.h"

#include <cstdint>
#include <cstring>

#include "library/device/card_exchange.h"
#include "library/device/commands/device_commands.h"
#include "library/device/device_state.h"
#include "library/device/frames.h"
#include "library/device/m1_card.h"
#include "platform/clock.h"

namespace vantel {
namespace {

constexpr int kNoDevice = -32;
constexpr int kHidWrongAnswer = -3;
constexpr std::uint8_t kDone = 0x56;
constexpr std::uint8_t kBeeped = 0x58;
constexpr std::uint8_t kBeepCommand = 0xC0;
constexpr unsigned kMaxAddress = 255;

// The failure codes of a command off the HID reader.
struct DcCodes {
  int writeFailed;
  int unreadable;
  int wrongAnswer;
};
constexpr DcCodes kCardCodes{-1, -2, -3};
constexpr DcCodes kBlockCodes{-3, -4, -5};

// An answer that passed its echo test: its data bytes (after echo and FF, without the XOR).
struct DcAnswer {
  StreamAnswer stream;
  const std::uint8_t* data = nullptr;
  int dataLength = 0;
};

DcDevice* OpenEntry(int device) {
  if (device < 1 || device > kMaxComPort) return nullptr;
  DcDevice& entry = Device().DcDeviceTable[device - 1];
  return entry.kind != 0 && entry.readHandle && entry.writeHandle ? &entry : nullptr;
}

int WriteTo(DcDevice& entry, const std::uint8_t* payload, int length) {
  return WriteVendorFrame(entry.readHandle, entry.writeHandle, entry.kind, payload, length);
}

// The device commands' answers come as SAM frames or base64-wrapped frames only.
bool ReadFrom(DcDevice& entry, StreamAnswer* answer) {
  answer->length = sizeof answer->body;
  answer->readResult =
      ReadSamFrame(entry.readHandle, entry.writeHandle, entry.kind, answer->body, &answer->length);
  return answer->Read();
}

// One command: 0 with `answer` when the reader echoed `echo` and FF, else the failure code.
int DcExchange(int device, const std::uint8_t* payload, int length, std::uint8_t echo,
               const DcCodes& codes, DcAnswer* answer) {
  if (UsesHidReader()) {
    HidVendorExchange(payload, length);
    const std::uint8_t* in = Device().InputReport;
    answer->dataLength = HidAnswerDataLength();
    answer->data = in + 6;
    return in[4] == echo && in[5] == 0xFF && answer->dataLength >= 0 ? 0 : kHidWrongAnswer;
  }
  DcDevice* entry = OpenEntry(device);
  if (!entry) return kNoDevice;
  if (WriteTo(*entry, payload, length) != length + 4) return codes.writeFailed;
  if (!ReadFrom(*entry, &answer->stream)) return codes.unreadable;
  if (!answer->stream.Is(echo)) return codes.wrongAnswer;
  answer->dataLength = static_cast<int>(answer->stream.DataLength());
  answer->data = answer->stream.body + 2;
  return 0;
}

// A wrong answer in the command's own terms: HID has one code for all.
int WrongAnswer(const DcCodes& codes) { return UsesHidReader() ? kHidWrongAnswer : codes.wrongAnswer; }

std::uint8_t SectorOf(unsigned address) { return static_cast<std::uint8_t>((address >> 2) & 0x3F); }
std::uint8_t BlockOf(unsigned address) { return static_cast<std::uint8_t>(address & 3); }

void SendBeepOff(DcDevice& entry) {
  const std::uint8_t off[] = {kBeepCommand, 0xFF, 0x00};
  WriteTo(entry, off, sizeof off);
}

}  // namespace

int DcRequest(int device, int mode, int* cardType) {
  if ((mode != 0 && mode != 1) || !cardType) return -4;
  const std::uint8_t command = static_cast<std::uint8_t>(0x12 + mode);
  const std::uint8_t payload[] = {command, 0xFF, 0xFF};
  DcAnswer answer;
  const int result = DcExchange(device, payload, sizeof payload, command, kCardCodes, &answer);
  if (result != 0) return result;
  if (answer.dataLength < 2) return WrongAnswer(kCardCodes);
  *cardType = answer.data[0] + 10 * answer.data[1];
  return 0;
}

int DcAnticoll(int device, int bitCount, unsigned char* serial) {
  if ((bitCount & 0xFF) != 0 || !serial) return -4;
  const std::uint8_t payload[] = {0x14, 0xFF, 0xFF};
  DcAnswer answer;
  const int result = DcExchange(device, payload, sizeof payload, 0x13, kCardCodes, &answer);
  if (result != 0) return result;
  if (answer.dataLength > kMaxContactlessSerial) return WrongAnswer(kCardCodes);
  std::memcpy(serial, answer.data, static_cast<std::size_t>(answer.dataLength));
  return 0;
}

int DcSelect(int device, unsigned serial) {
  const std::uint8_t payload[] = {0x15, 0xFF, static_cast<std::uint8_t>(serial),
                                  static_cast<std::uint8_t>(serial >> 8),
                                  static_cast<std::uint8_t>(serial >> 16),
                                  static_cast<std::uint8_t>(serial >> 24)};
  DcAnswer answer;
  const int result = DcExchange(device, payload, sizeof payload, kDone, kCardCodes, &answer);
  if (result == 0) Device().gDcCardSerial = serial;
  return result;
}

int DcAuthenticationPassaddr(int device, int keyType, unsigned address,
                             const unsigned char* key) {
  const std::uint32_t serial = Device().gDcCardSerial;
  if (!key) return -2;
  if (!UsesHidReader()) {
    if (serial == 0) return -1;
    if (keyType != kM1KeyA && keyType != kM1KeyB) return -2;
  }
  std::uint8_t payload[15] = {0x16, 0xFF, SectorOf(address), BlockOf(address),
                              static_cast<std::uint8_t>(keyType)};
  std::memcpy(payload + 5, key, kM1KeySize);
  for (int i = 0; i < 4; ++i) payload[11 + i] = static_cast<std::uint8_t>(serial >> (8 * i));
  DcAnswer answer;
  return DcExchange(device, payload, sizeof payload, kDone, kBlockCodes, &answer);
}

int DcRead(int device, unsigned address, unsigned char* out) {
  if (!out || address > kMaxAddress) return -1;
  const std::uint8_t payload[] = {0x17, 0xFF, SectorOf(address), BlockOf(address)};
  DcAnswer answer;
  const int result = DcExchange(device, payload, sizeof payload, 0x17, kBlockCodes, &answer);
  if (result != 0) return result;
  if (answer.dataLength < kM1BlockSize) return WrongAnswer(kBlockCodes);
  std::memcpy(out, answer.data, kM1BlockSize);
  return 0;
}

int DcWrite(int device, unsigned address, const unsigned char* data) {
  if (!data || address > kMaxAddress) return -1;
  std::uint8_t payload[4 + kM1BlockSize] = {0x18, 0xFF, SectorOf(address), BlockOf(address)};
  std::memcpy(payload + 4, data, kM1BlockSize);
  DcAnswer answer;
  return DcExchange(device, payload, sizeof payload, kDone, kBlockCodes, &answer);
}

int DcHalt(int device) {
  const std::uint8_t payload[] = {0x11, 0xFF, 0xFF};
  DcAnswer answer;
  return DcExchange(device, payload, sizeof payload, kDone, kCardCodes, &answer);
}

int DcBeepLed(int device, int first, int second, int milliseconds) {
  DcDevice* entry = OpenEntry(device);
  if (!entry) return kNoDevice;
  const std::uint8_t control = static_cast<std::uint8_t>(((first & 0xFF) ? 0x02 : 0) |
                                                         ((second & 0xFF) ? 0x01 : 0));
  const std::uint8_t on[] = {kBeepCommand, 0xFF, control};
  StreamAnswer answer;
  if (WriteTo(*entry, on, sizeof on) != 7 || !ReadFrom(*entry, &answer)) {
    SendBeepOff(*entry);
    return -3;
  }
  if (answer.body[0] != kBeeped) {
    SendBeepOff(*entry);
    return 0;
  }
  // A negative wait would be an endless sleep as an unsigned count.
  platform::SleepMs(milliseconds > 0 ? static_cast<std::uint32_t>(milliseconds) : 0);
  const std::uint8_t off[] = {kBeepCommand, 0xFF, 0x00};
  if (WriteTo(*entry, off, sizeof off) != 7) {
    SendBeepOff(*entry);
    return 3;
  }
  if (!ReadFrom(*entry, &answer)) return 3;
  return answer.body[0] == kBeeped ? 1 : 0;
}

}  // namespace vantel
