#include "library/device/commands/device_settings.h"

#include <cstdio>
#include <cstring>

#include "library/device/commands/vendor_exchange.h"
#include "library/device/device_state.h"
#include "platform/clock.h"

namespace vantel {
namespace {

constexpr std::uint8_t kBeepAnswer = 0x58;  // "X", the answer to the LED command C0
constexpr std::uint8_t kVersionMajor = 24;
constexpr int kBatteryReadings = 3;
constexpr std::uint32_t kBatteryPauseMs = 50;

// A negative wait would be an endless one to the platform's sleep.
void Pause(int milliseconds) {
  platform::SleepMs(static_cast<std::uint32_t>(milliseconds > 0 ? milliseconds : 0));
}

// The HID reader answered `status`, in a frame whose LEN holds `dataBytes` data bytes.
bool HidAnswerWith(std::uint8_t status, int dataBytes) {
  const std::uint8_t* in = Device().InputReport;
  return HidAnswerFramed() && in[4] == status && in[5] == 0xFF && in[3] >= 3 + dataBytes;
}

// The LED control byte: 0x02 the first flag, 0x01 the second, each on when its low byte is.
std::uint8_t BeepControl(int first, int second) {
  return static_cast<std::uint8_t>(((first & 0xFF) ? 0x02 : 0) | ((second & 0xFF) ? 0x01 : 0));
}

// The SAM-framed LED command without LEN, as the HID and network readers take it.
void LedFrame(std::uint8_t control, std::uint8_t* frame) {
  const std::uint8_t bytes[] = {0xAA, 0xAA, 0xAA, 0x96, 0x69, 0xC0, 0xFF, control,
                                static_cast<std::uint8_t>(control ^ 0x6A)};
  std::memcpy(frame, bytes, sizeof bytes);
}
constexpr int kLedFrameSize = 9;

const char* PcscBeepText(int first, int second) {
  const bool on1 = (first & 0xFF) != 0;
  const bool on2 = (second & 0xFF) != 0;
  if (on1 && on2) return "FF9710110103";
  if (on1) return "FF9710110120";
  if (on2) return "FF9710110101";
  return "FF9710110100";
}
constexpr char kPcscBeepOff[] = "FF9710110100";

int PcscBeep(int first, int second, int milliseconds) {
  std::uint8_t answer[kPcscAnswerSize];
  PcscVendorExchange(PcscBeepText(first, second), answer);
  Pause(milliseconds);
  return PcscAnswerOk(kPcscBeepOff) ? 1 : 0;
}

int NetBeep(std::uint8_t control, int milliseconds) {
  std::uint8_t frame[kLedFrameSize];
  LedFrame(control, frame);
  const int received = NetFrameExchange(frame, sizeof frame);
  if (received == kNetNotSent) return 4;
  if (received == kNetNothingReceived) return 5;
  Pause(milliseconds);
  LedFrame(0x00, frame);
  NetFrameExchange(frame, sizeof frame);
  return 1;
}

// The COM reader's answer to a C0 command: 1 "X", 0 another answer, 3 none.
int StreamBeepAnswer() {
  StreamAnswer answer;
  StreamReadVendor(&answer);
  if (!answer.Read() || answer.length < 1) return 3;
  return answer.body[0] == kBeepAnswer ? 1 : 0;
}

int StreamBeep(std::uint8_t control, int milliseconds) {
  const std::uint8_t on[] = {0xC0, 0xFF, control};
  static const std::uint8_t kOff[] = {0xC0, 0xFF, 0x00};
  const bool waitForAnswers = Device().gNewVersion == 0;
  if (!StreamWriteVendor(on, sizeof on)) {
    StreamWriteVendor(kOff, sizeof kOff);
    return 3;
  }
  if (waitForAnswers) {
    const int first = StreamBeepAnswer();
    if (first == 3) return 3;
    if (first == 0) {
      StreamWriteVendor(kOff, sizeof kOff);
      return 0;
    }
  }
  Pause(milliseconds);
  if (!StreamWriteVendor(kOff, sizeof kOff)) {
    StreamWriteVendor(kOff, sizeof kOff);
    return 3;
  }
  return waitForAnswers ? StreamBeepAnswer() : 1;
}

// One HID settings exchange: 0 with the answer in InputReport, or `notHid` / `noAnswer`
// when the command could not be made or got no vendor frame back.
int HidSettingsExchange(const std::uint8_t* payload, int length, int notHid, int noAnswer) {
  if (Device().gPort != kHidPort) return notHid;
  if (!HidVendorExchange(payload, length) || !HidAnswerFramed()) return noAnswer;
  return 0;
}

// Standby and long-press are set with 8F FF: 0 on "V".
int SetSleepParameter(const std::uint8_t* payload, int notHid, int noAnswer, int otherStatus) {
  if (int failed = HidSettingsExchange(payload, 6, notHid, noAnswer)) return failed;
  return Device().InputReport[4] == kVendorOk ? 0 : otherStatus;
}

// Standby and long-press are read with 90 FF `which`: the data byte.
int GetSleepParameter(std::uint8_t which) {
  const std::uint8_t payload[] = {0x90, 0xFF, which};
  if (int failed = HidSettingsExchange(payload, sizeof payload, -1, -3)) return failed;
  const std::uint8_t* in = Device().InputReport;
  if (in[4] != kVendorOk) return -2;
  return in[6];
}

bool IsByteStreamPort() { return IsComOrUsbPort(Device().gPort); }

}  // namespace

int GetTarnVersion(std::uint8_t* out) {
  if (!out) return 0;
  static const std::uint8_t kVersion[] = {0x30, 0xFF, 0xFF};
  const std::uint8_t* version = nullptr;
  std::uint8_t pcscAnswer[kPcscAnswerSize];
  StreamAnswer answer;
  switch (VendorPathNow(true, true)) {
    case VendorPath::kPcsc:
      PcscVendorExchange("FF97101000", pcscAnswer);
      if (pcscAnswer[3] == 0x90 && pcscAnswer[4] == 0x00) version = pcscAnswer;
      break;
    case VendorPath::kHid:
      if (HidVendorExchange(kVersion, sizeof kVersion) && HidAnswerWith(0x30, 3))
        version = Device().InputReport + 6;
      break;
    case VendorPath::kNetwork: {
      const std::uint8_t frame[] = {0x55, 0xAA, 0x04, 0x30, 0xFF, 0xFF, 0xCB};
      // 55 AA LEN 30 FF v0 v1 v2 XOR: LEN counts at least six bytes.
      const std::uint8_t* in = Device().InputReport;
      if (NetFrameExchange(frame, sizeof frame) >= 9 && in[2] >= 6 && in[3] == 0x30 && in[4] == 0xFF)
        version = in + 5;
      break;
    }
    case VendorPath::kStream:
      if (!StreamVendorExchange(kVersion, sizeof kVersion, &answer)) return 0;
      if (answer.readResult < 0) return answer.readResult;
      if (answer.Is(0x30) && answer.DataLength() >= 3) version = answer.body + 2;
      break;
  }
  if (!version) return 0;
  std::memcpy(out, version, 3);
  return 1;
}

int GetMainVersion(char* out) {
  std::uint8_t version[3];
  if (!out || GetTarnVersion(version) != 1) return -1;
  std::snprintf(out, 12, "%d.%d.%d", version[0], version[1], version[2]);
  return 0;
}

int GetKvnType() {
  std::uint8_t version[3];
  if (GetTarnVersion(version) != 1 || version[0] != kVersionMajor) return -1;
  if (version[1] < 20) return 1;
  if (version[1] < 40) return 2;
  if (version[1] < 60) return 3;
  return 0;
}

int BeepLed(int first, int second, int milliseconds) {
  switch (VendorPathNow(true, true)) {
    case VendorPath::kPcsc:
      return PcscBeep(first, second, milliseconds);
    case VendorPath::kHid:
      return HidBeepLed(first, second, milliseconds);
    case VendorPath::kNetwork:
      return NetBeep(BeepControl(first, second), milliseconds);
    case VendorPath::kStream:
      break;
  }
  const int port = Device().gPort;
  if (port < 1 || port > 256) return 1;
  return StreamBeep(BeepControl(first, second), milliseconds);
}

int HidBeepLed(int first, int second, int milliseconds) {
  std::uint8_t frame[kLedFrameSize];
  LedFrame(BeepControl(first, second), frame);
  HidFrameExchange(frame, sizeof frame);
  Pause(milliseconds);
  LedFrame(0x00, frame);
  HidFrameExchange(frame, sizeof frame);
  return 1;
}

int SetStandbySleep(int seconds) {
  if (GetKvnType() != 2) return -1;
  if (seconds % 30 != 0) return -2;
  if (Device().gPort != kHidPort) return -6;
  if (seconds < 0 || seconds / 30 > 255) return -3;
  const std::uint8_t payload[] = {0x8F, 0xFF, 0x01, static_cast<std::uint8_t>(seconds / 30), 0x00,
                                  0x00};
  return SetSleepParameter(payload, -6, -5, -4);
}

int GetStandbySleep() {
  const int units = GetSleepParameter(0x01);
  return units < 0 ? units : units * 30;
}

int SetLongPressedOff(unsigned value) {
  if (GetKvnType() != 2) return -1;
  if (value < 3 || value > 6) return -2;
  const std::uint8_t payload[] = {0x8F, 0xFF, 0x00, 0x00, 0x01, static_cast<std::uint8_t>(value)};
  return SetSleepParameter(payload, -3, -3, -3);
}

int GetLongPressedOff() { return GetSleepParameter(0x02); }

int GetBtDevBatteryPower() {
  const int type = GetKvnType();
  float base = 0;
  float span = 0;
  if (type == 1 || type == 3) {
    base = 2566.4f;
    span = 802;
  } else if (type == 2) {
    base = 34000;
    span = 8000;
  } else {
    return -1;
  }
  if (Device().gPort != kHidPort) return -1;
  static const std::uint8_t kBattery[] = {0x75, 0xFF, 0xFF};
  float sum = 0;
  for (int i = 0; i < kBatteryReadings; ++i) {
    if (!HidVendorExchange(kBattery, sizeof kBattery) || !HidAnswerWith(kVendorOk, 2)) return -1;
    const std::uint8_t* in = Device().InputReport;
    sum += static_cast<float>(in[6] * 256 + in[7]);
    platform::SleepMs(kBatteryPauseMs);
  }
  float percent = (sum / kBatteryReadings - base) / span * 100;
  if (percent > 100) percent = 100;
  return static_cast<int>(percent);
}

int KvnVeldPowerOff() {
  if (GetKvnType() != 3) return -4;
  static const std::uint8_t kPowerOff[] = {0x8C, 0xFF, 0xFF};
  if (Device().gPort == kHidPort) {
    HidVendorExchange(kPowerOff, sizeof kPowerOff);
    const std::uint8_t* in = Device().InputReport;
    return in[5] == 0xFF && in[4] == kVendorOk ? 1 : 0;
  }
  StreamAnswer answer;
  if (!StreamVendorExchange(kPowerOff, sizeof kPowerOff, &answer)) return -2;
  if (!answer.Read()) return -3;
  if (answer.length != 4 || answer.body[0] != kVendorOk) return 0;
  return answer.body[1] == 0xFF ? 1 : 0;
}

int TwoUsbDevGetParam(int param, std::uint8_t* out, int* outLen) {
  if (!out || !outLen) return -1;
  const bool hid = Device().gPort == kHidPort;
  if (!hid && !IsByteStreamPort()) return -1;
  const std::uint8_t payload[] = {0x66, 0xFF, static_cast<std::uint8_t>(param),
                                  static_cast<std::uint8_t>(param >> 8)};
  if (hid) {
    const std::uint8_t* in = Device().InputReport;
    if (!HidVendorExchange(payload, sizeof payload) || !HidAnswerFramed() || in[4] == 0x71 ||
        in[3] < 3)
      return -2;
    *outLen = in[3] - 3;
    std::memcpy(out, in + 6, static_cast<std::size_t>(*outLen));
    return 0;
  }
  StreamAnswer answer;
  if (!StreamVendorExchange(payload, sizeof payload, &answer)) return -3;
  if (answer.readResult < 0) return -4;
  if (!answer.Read() || answer.length < 3 || answer.length > kMaxCountedLength) return -5;
  if (answer.body[0] == 0x71) return -6;
  *outLen = static_cast<int>(answer.DataLength());
  std::memcpy(out, answer.body + 2, answer.DataLength());
  return 0;
}

int TwoUsbDevSetParam(int param, const std::uint8_t* data, int len) {
  const bool hid = Device().gPort == kHidPort;
  if (!data || len <= 0 || (!hid && !IsByteStreamPort())) return -1;
  // The frame must fit one output report on HID and one LEN byte on the byte stream.
  const int room = hid ? HidFrameRoom() - 4 : 253;
  if (len + 4 > room) return -1;
  std::uint8_t payload[256] = {0x67, 0xFF, static_cast<std::uint8_t>(param),
                               static_cast<std::uint8_t>(param >> 8)};
  std::memcpy(payload + 4, data, static_cast<std::size_t>(len));
  if (hid) {
    HidVendorExchange(payload, len + 4);
    return HidAnswerFramed() && Device().InputReport[4] == kVendorOk ? 0 : -2;
  }
  StreamAnswer answer;
  if (!StreamVendorExchange(payload, len + 4, &answer)) return -4;
  if (answer.readResult < 0) return -5;
  if (!answer.Read()) return -6;
  return answer.length == 4 && answer.body[0] == kVendorOk && answer.body[2] == 0xFF ? 0 : -3;
}

}  // namespace vantel
