#include "library/device/commands/device_commands.h"

#include <cstdio>
#include <cstring>

#include "library/device/commands/vendor_exchange.h"
#include "library/device/device_state.h"
#include "library/device/port_api.h"
#include "platform/message_box.h"

namespace vantel {
namespace {

constexpr std::uint8_t kNoCardType = 0xFE;
constexpr std::uint8_t kNoSerial = 0xFD;
constexpr int kSamCommandWaitMs = 5000;
// The longest payload a VendorFrame's LEN byte can count (254 is the long-answer mark).
constexpr int kMaxVendorPayload = 253;

bool HidAnswered(std::uint8_t status) {
  const std::uint8_t* in = Device().InputReport;
  return in[4] == status && in[5] == 0xFF;
}

// Sends `body` (CMD PARA data CHK) as a SAM frame on the byte stream and reads the answer.
// 0 with SW3 in *sw3, 1 not sent whole, 2 no answer.
int StreamSamExchange(const std::uint8_t* body, int length, std::uint8_t* sw3) {
  DeviceState& device = Device();
  if (WriteSamFrame(device.gReadHandle, device.gWriteHandle, device.gTransportKind, body, length) !=
      length)
    return 1;
  Settings().gAnswerWait = kSamCommandWaitMs;
  std::uint8_t answer[kSamFrameBodyCapacity];
  unsigned answerLength = sizeof answer;
  if (ReadSamFrame(device.gReadHandle, device.gWriteHandle, device.gTransportKind, answer,
                   &answerLength) != kSamFrameRead ||
      answerLength < 3)
    return 2;
  *sw3 = answer[2];
  return 0;
}

std::uint8_t SamSw3OnHid() { return Device().InputReport[10]; }

// Appends "%02X" of each byte to `text`.
void AppendHex(char* text, const std::uint8_t* bytes, int count) {
  char* end = text + std::strlen(text);
  for (int i = 0; i < count; ++i) end += std::snprintf(end, 3, "%02X", bytes[i]);
}

// 8E FF mode, the name with its NUL, then `tail`; 0 when it would not fit a frame.
int SdCardPayload(std::uint8_t mode, const char* name, const std::uint8_t* tail, int tailLength,
                  std::uint8_t* payload, int room) {
  const int nameLength = static_cast<int>(std::strlen(name)) + 1;
  const int length = 3 + nameLength + tailLength;
  if (length > room) return 0;
  payload[0] = 0x8E;
  payload[1] = 0xFF;
  payload[2] = mode;
  std::memcpy(payload + 3, name, static_cast<std::size_t>(nameLength));
  std::memcpy(payload + 3 + nameLength, tail, static_cast<std::size_t>(tailLength));
  return length;
}

bool IsRefusal(std::uint8_t status) { return status == 0x71 || status == 0x72 || status == 0x81; }

}  // namespace

int FindContactlessCard(std::uint8_t* cardType) {
  if (!cardType) return 0;
  static const std::uint8_t kFind[] = {0x01, 0xFF, 0xFF};
  switch (VendorPathNow(true, false)) {
    case VendorPath::kPcsc: {
      std::uint8_t answer[kPcscAnswerSize];
      PcscVendorExchange("FF97100100", answer);
      if (answer[0] == kNoCardType || answer[1] != 0x90 || answer[2] != 0x00) return 0;
      *cardType = answer[0];
      return kVendorOk;
    }
    case VendorPath::kHid: {
      HidVendorExchange(kFind, sizeof kFind);
      const std::uint8_t* in = Device().InputReport;
      if (in[5] != 0xFF) return -3;
      *cardType = in[6];
      return in[4];
    }
    default: {
      StreamAnswer answer;
      if (!StreamVendorExchange(kFind, sizeof kFind, &answer)) return 3;
      if (answer.readResult < 0) return answer.readResult;
      if (!answer.Read()) return 4;
      if (answer.length == 4) *cardType = answer.body[2];
      return answer.body[0];
    }
  }
}

int ReadContactlessSerial(std::uint8_t* out, int* outLen) {
  if (!out || !outLen) return 0;
  static const std::uint8_t kSerial[] = {0x02, 0xFF, 0xFF};
  *outLen = 0;
  switch (VendorPathNow(true, false)) {
    case VendorPath::kPcsc: {
      std::uint8_t answer[kPcscAnswerSize];
      PcscVendorExchange("FF97100200", answer);
      if (answer[0] == kNoSerial || answer[4] != 0x90 || answer[5] != 0x00) return answer[1];
      *outLen = 4;
      std::memcpy(out, answer, 4);
      return 2;
    }
    case VendorPath::kHid: {
      HidVendorExchange(kSerial, sizeof kSerial);
      const std::uint8_t* in = Device().InputReport;
      const int count = in[3] - 3;
      if (!HidAnswerFramed() || count < 0 || count > kMaxContactlessSerial) return 1;
      *outLen = count;
      std::memcpy(out, in + 6, static_cast<std::size_t>(count));
      return in[4];
    }
    default: {
      StreamAnswer answer;
      if (!StreamVendorExchange(kSerial, sizeof kSerial, &answer) || !answer.Read()) return 3;
      const int count = static_cast<int>(answer.length) - 3;
      if (count < 0 || count > kMaxContactlessSerial) return 3;
      *outLen = count;
      std::memcpy(out, answer.body + 2, static_cast<std::size_t>(count));
      return answer.body[0];
    }
  }
}

int SetNewVersion(int flag) {
  const std::uint8_t payload[] = {0xC1, 0xFF, static_cast<std::uint8_t>((flag & 0xFF) ? 0x02 : 0x01)};
  StreamAnswer answer;
  if (!StreamVendorExchange(payload, sizeof payload, &answer)) return 3;
  if (!answer.Read()) {
    Device().gNewVersion = 1;
    return 4;
  }
  Device().gNewVersion = 0;
  return answer.body[0];
}

int SetTarnUpdate() {
  static const std::uint8_t kUpdate[] = {0x31, 0xFF, 0xFF};
  switch (VendorPathNow(true, false)) {
    case VendorPath::kPcsc:
      return PcscAnswerOk("FF97100F00") ? 1 : 0;
    case VendorPath::kHid:
      return HidVendorExchange(kUpdate, sizeof kUpdate) && HidAnswered(0x31) ? 1 : 0;
    default: {
      StreamAnswer answer;
      return StreamVendorExchange(kUpdate, sizeof kUpdate, &answer) && answer.Is(0x31) ? 1 : 0;
    }
  }
}

int ShutDownAntenna() {
  static const std::uint8_t kAntennaOff[] = {0x38, 0xFF, 0xFF};
  if (Device().gPort != kHidPort) return -1;
  return HidVendorExchange(kAntennaOff, sizeof kAntennaOff) && HidAnswered(kVendorOk) ? 1 : 0;
}

int SamvCommMaxLen(int n) {
  if (n < 1) return -1;
  const auto size = static_cast<std::uint8_t>(n);
  const std::uint8_t body[] = {0x61, 0xFF, size, static_cast<std::uint8_t>(size ^ 0x9A)};
  if (Device().gPort == kHidPort) {
    const std::uint8_t frame[] = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04,
                                  body[0], body[1], body[2], body[3]};
    HidFrameExchange(frame, sizeof frame);
    return SamSw3OnHid() == 0x90 ? 0 : 2;
  }
  if (!IsComOrUsbPort(Device().gPort)) return 1;
  std::uint8_t sw3 = 0;
  switch (StreamSamExchange(body, sizeof body, &sw3)) {
    case 1: return 4;
    case 2: return 3;
    default: return sw3 == 0x90 ? 0 : 2;
  }
}

int LedBeepControl(int first, int second) {
  const auto control = static_cast<std::uint8_t>((first > 0 ? 0x01 : 0) | (second > 0 ? 0x02 : 0));
  // The check byte is that of the frame without LEN, also where WriteSamFrame adds LEN.
  const std::uint8_t body[] = {0xC0, 0xFF, control, static_cast<std::uint8_t>(control ^ 0x6A)};
  if (Device().gPort == kHidPort) {
    const std::uint8_t frame[] = {0xAA, 0xAA, 0xAA, 0x96, 0x69, body[0], body[1], body[2], body[3]};
    HidFrameExchange(frame, sizeof frame);
    return SamSw3OnHid() == 0x90 ? 0 : -2;
  }
  if (!IsComOrUsbPort(Device().gPort)) return -1;
  std::uint8_t sw3 = 0;
  switch (StreamSamExchange(body, sizeof body, &sw3)) {
    case 1: return -3;
    case 2: return -4;
    default: return sw3 == 0x90 ? 0 : -5;
  }
}

int ReadManagementNumber(char* text) {
  constexpr int kNumberSize = 8;
  if (!text) return 0;
  const int port = Device().gPort;
  if (!IsComOrUsbPort(port) && port != kHidPort && port != kPcscPort) return 0;
  std::memset(text, 0, 16);
  static const std::uint8_t kRead[] = {0x36, 0xFF, 0xFF};
  if (port == kHidPort) {
    HidVendorExchange(kRead, sizeof kRead);
    const std::uint8_t* in = Device().InputReport;
    if (in[4] != 0x36) return 3;
    AppendHex(text, in + 5, kNumberSize);
    return 1;
  }
  if (!IsComOrUsbPort(port)) return 0;
  StreamAnswer answer;
  if (!StreamVendorExchange(kRead, sizeof kRead, &answer, AnswerReader::kVendorFrame) ||
      !answer.Read() || answer.length < 1 + kNumberSize)
    return 3;
  if (answer.body[0] != 0x36) return 0;
  AppendHex(text, answer.body + 1, kNumberSize);
  return 1;
}

int SdCardWrite(const char* name, const std::uint8_t* data, unsigned len) {
  if (!name || !data || len > kMaxSdCardData) return -1;
  if (Device().gPort != kHidPort) return 0;
  std::uint8_t tail[1 + kMaxSdCardData] = {static_cast<std::uint8_t>(len)};
  std::memcpy(tail + 1, data, len);
  std::uint8_t payload[kMaxVendorPayload];
  const int length = SdCardPayload(0x01, name, tail, static_cast<int>(len) + 1, payload,
                                   HidFrameRoom() - 4);
  if (length == 0) return -1;
  HidVendorExchange(payload, length);
  return HidAnswered(kVendorOk) ? 1 : 0;
}

int SdCardRead(const char* name, unsigned count, std::uint8_t* out, unsigned* outLen) {
  if (!name || !out || !outLen || count > kMaxSdCardData) return -1;
  if (Device().gPort != kHidPort) return 0;
  const std::uint8_t tail[] = {static_cast<std::uint8_t>(count)};
  std::uint8_t payload[kMaxVendorPayload];
  const int length = SdCardPayload(0x00, name, tail, 1, payload, HidFrameRoom() - 4);
  if (length == 0) return -1;
  HidVendorExchange(payload, length);
  const std::uint8_t* in = Device().InputReport;
  if (!HidAnswered(kVendorOk) || in[3] < 3) return 0;
  *outLen = in[3] - 3u < kMaxSdCardData ? in[3] - 3u : kMaxSdCardData;
  std::memcpy(out, in + 6, *outLen);
  return 1;
}

int PowerLedColor(int colour) {
  if (Device().gPort != kHidPort) return 0;
  const std::uint8_t payload[] = {0x8D, 0xFF, static_cast<std::uint8_t>(colour)};
  return HidVendorExchange(payload, sizeof payload) && HidAnswered(kVendorOk) ? 1 : 0;
}

int SerialTypeACmd(int cmd, const std::uint8_t* data, int len, std::uint8_t* out, int* outLen) {
  if (cmd <= 0 || !out || !outLen || Device().gTransportKind != kTransportSerial) return 0;
  if (len != 0 && (len < 0 || !data)) return 0;
  if (len + 2 > kMaxVendorPayload) return 0;
  std::uint8_t payload[kMaxVendorPayload] = {static_cast<std::uint8_t>(cmd), 0xFF, 0xFF};
  if (len > 0) std::memcpy(payload + 2, data, static_cast<std::size_t>(len));
  const int length = len > 0 ? len + 2 : 3;
  StreamAnswer answer;
  if (!StreamVendorExchange(payload, length, &answer, AnswerReader::kVendorFrame) || !answer.Read() ||
      answer.length < 1 || answer.length > kMaxCountedLength)
    return 0;
  if (IsRefusal(answer.body[0])) {
    *outLen = static_cast<int>(answer.length) - 1;
    std::memcpy(out, answer.body, answer.length - 1);
    return 0;
  }
  if (answer.length < 3) return 0;
  *outLen = static_cast<int>(answer.length) - 3;
  std::memcpy(out, answer.body + 2, answer.length - 3);
  return 1;
}

int SetMute(int flag) {
  Device().gMute = (flag & 0xFF) != 0;
  return 1;
}

int SetRepeatRead(int flag) {
  Device().gRepeat = (flag & 0xFF) != 0;
  return 1;
}

int SetSaveWlt(int flag) {
  Device().gSaveWlt = static_cast<std::uint8_t>(flag);
  return 1;
}

int SetComTimeout(int milliseconds) {
  Settings().gComTimeout = milliseconds;
  return 1;
}

int IsComBase64() { return Device().gComBase64; }

int AnyFunction(const char* name, int* out, int argv1, int argv2, const char* argv3) {
  if (!name || std::strcmp(name, "test") != 0) {
    platform::ShowMessageBox("未知的函数或参数错误", "Error");
    return -1;
  }
  char text[256];
  std::snprintf(text, sizeof text, "argv1=%d, argv2=%c, argv3=%s", argv1, argv2,
                argv3 ? argv3 : "");
  platform::ShowMessageBox(text, "debug");
  if (out) *out = 1;
  return 0;
}

}  // namespace vantel
