#include "library/device/bluetooth/bt_settings.h"

#include <mbedtls/des.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "library/device/commands/vendor_exchange.h"
#include "library/device/device_state.h"
#include "library/device/reader_settings.h"
#include "library/device/sam_commands.h"
#include "platform/clock.h"

namespace vantel {
namespace {

constexpr std::uint8_t kCardVersionOk = 0x30;
constexpr std::uint8_t kNegativeWhich = 0x00;   // the command byte a negative `which` leaves
constexpr std::uint8_t kArgumentNone = 0xFF;
constexpr std::uint32_t kModuleStartMs = 100;
constexpr std::size_t kLongestPin = 8;
constexpr std::size_t kSecretKeyLength = 16;
constexpr std::size_t kTextRoom = 255;          // more would not fit the frame's LEN byte
constexpr int kAnswerFrame = 6;                 // 55 AA LEN status FF ... XOR, around the data
constexpr int kCardVersionLength = 6;

// What an answer's data may fill: the input report's room, never more than the callers'
// buffers hold.
int DataRoom() {
  const int reportLength = Device().hid.inputReportLength;
  const int room = reportLength > kAnswerFrame + 1 ? reportLength - 1 - kAnswerFrame : kBtAnswerDataCapacity;
  return std::min(room, kBtAnswerDataCapacity);
}

// A framed answer in InputReport: 55 AA LEN status FF, then data.
struct BtAnswer {
  std::uint8_t status = 0;
  std::uint8_t length = 0;  // LEN
  const std::uint8_t* data = nullptr;
  // LEN - 3, or -1 when LEN is below 3 or the data would pass the input report.
  int DataLength() const {
    const int count = length - 3;
    return count >= 0 && count <= DataRoom() ? count : -1;
  }
};

// Sends `payload` (CMD, then its bytes) and reads the answer; false, and nothing sent, when
// the frame does not fit one output report; false for an answer without the frame.
bool BtExchange(const std::uint8_t* payload, int length, BtAnswer* answer) {
  if (!HidVendorExchange(payload, length) || !HidAnswerFramed()) return false;
  const std::uint8_t* in = Device().InputReport;
  answer->status = in[4];
  answer->length = in[3];
  answer->data = in + 6;
  return true;
}

bool BtCommandOk(const std::uint8_t* payload, int length) {
  BtAnswer answer;
  return BtExchange(payload, length, &answer) && answer.status == kVendorOk;
}

// A command of three payload bytes: CMD and two more.
bool BtShortCommandOk(std::uint8_t command, std::uint8_t argument = kArgumentNone) {
  const std::uint8_t payload[] = {command, kArgumentNone, argument};
  return BtCommandOk(payload, sizeof payload);
}

// CMD, FF and the text's bytes; false, and nothing sent, for text that does not fit.
bool BtTextCommandOk(std::uint8_t command, const char* text, std::size_t textLength) {
  if (textLength > kTextRoom) return false;
  std::uint8_t payload[2 + kTextRoom] = {command, kArgumentNone};
  std::memcpy(payload + 2, text, textLength);
  return BtCommandOk(payload, static_cast<int>(textLength + 2));
}

int SetBtPowerState(std::uint8_t command) {
  if (Device().gPort != kHidPort) return -1;
  BtAnswer answer;
  const std::uint8_t payload[] = {command, kArgumentNone, kArgumentNone};
  if (!BtExchange(payload, sizeof payload, &answer)) return -2;
  return answer.status == kVendorOk ? 0 : -3;
}

// The data of a "V" answer to CMD, FF, `argument` and a NUL into `out`.
int GetBtText(std::uint8_t command, std::uint8_t argument, char* out) {
  if (Device().gPort != kHidPort || out == nullptr) return -1;
  BtAnswer answer;
  const std::uint8_t payload[] = {command, kArgumentNone, argument};
  if (!BtExchange(payload, sizeof payload, &answer) || answer.status != kVendorOk) return -1;
  const int length = answer.DataLength();
  if (length < 0) return -1;
  std::memcpy(out, answer.data, static_cast<std::size_t>(length));
  out[length] = '\0';
  return 0;
}

// The length of `text` when it has at most `limit` characters, else limit + 1.
std::size_t LengthUpTo(const char* text, std::size_t limit) {
  std::size_t length = 0;
  while (length <= limit && text[length] != '\0') ++length;
  return length;
}

// GetBtName and GetBtPin ask for the module's first or second value.
std::uint8_t WhichArgument(int which) { return which != 0 ? 0x04 : 0x02; }

void EncipherUnderSamId(const std::uint8_t* samId, const unsigned char* value16, std::uint8_t* out16) {
  mbedtls_des3_context context;
  mbedtls_des3_init(&context);
  mbedtls_des3_set2key_enc(&context, samId);
  mbedtls_des3_crypt_ecb(&context, value16, out16);
  mbedtls_des3_crypt_ecb(&context, value16 + 8, out16 + 8);
  mbedtls_des3_free(&context);
}

}  // namespace

int UsbOpenBt() {
  const std::uint8_t payload[] = {0x7F, kArgumentNone, kArgumentNone};
  BtAnswer answer;
  const bool answered = BtExchange(payload, sizeof payload, &answer);
  platform::SleepMs(kModuleStartMs);
  return answered && answer.status == kVendorOk ? 1 : 0;
}

int UsbCloseBt() { return BtShortCommandOk(0x7E) ? 1 : 0; }

int ReadBtMac(unsigned char* out, int which) {
  if (out == nullptr) return 0;
  const std::uint8_t command = which < 0 ? kNegativeWhich : which == 0 ? 0x73 : 0x74;
  const std::uint8_t payload[] = {command, kArgumentNone, kArgumentNone};
  BtAnswer answer;
  if (!BtExchange(payload, sizeof payload, &answer) || answer.DataLength() < 0) return 0;
  std::memcpy(out, answer.data, static_cast<std::size_t>(answer.DataLength()));
  return answer.status;
}

int ChangeBtName(const char* name, int which) {
  if (name == nullptr || name[0] == '\0') return 0;
  const std::uint8_t command = which < 0 ? kNegativeWhich : which == 0 ? 0x70 : 0x71;
  return BtTextCommandOk(command, name, std::strlen(name)) ? 1 : 0;
}

int SetBtPin(const char* pin, int which) {
  if (pin == nullptr || pin[0] == '\0') return 0;
  const std::size_t length = LengthUpTo(pin, kLongestPin);
  if (length > kLongestPin) return 0;
  return BtTextCommandOk(which < 0 ? kNegativeWhich : 0x84, pin, length) ? 1 : 0;
}

int SetBtSleep(unsigned value) {
  if (value < 1 || value > 255) return 0;
  return BtShortCommandOk(0x8A, static_cast<std::uint8_t>(value)) ? 1 : 0;
}

int SetSecretKey(const char* key) {
  if (key == nullptr || LengthUpTo(key, kSecretKeyLength) != kSecretKeyLength) return 0;
  return BtTextCommandOk(0x7A, key, kSecretKeyLength) ? 1 : 0;
}

int SetBtClose() { return SetBtPowerState(0x7C); }
int SetBtNowSleep() { return SetBtPowerState(0x7D); }

int GetBtName(char* out, int which) { return GetBtText(0x72, WhichArgument(which), out); }
int GetBtPin(char* out, int which) { return GetBtText(0x76, WhichArgument(which), out); }
int GetBtDevVersion(char* out) { return GetBtText(0x82, kArgumentNone, out); }

int GetBtSleep() {
  if (Device().gPort != kHidPort) return -1;
  const std::uint8_t payload[] = {0x8B, kArgumentNone, kArgumentNone};
  BtAnswer answer;
  if (!BtExchange(payload, sizeof payload, &answer) || answer.status != kVendorOk ||
      answer.DataLength() < 1)
    return -1;
  return answer.data[0];
}

int GetCardVersion(char* out) {
  if (Device().gPort != kHidPort || out == nullptr) return -1;
  const std::uint8_t payload[] = {0x83, kArgumentNone, kArgumentNone};
  BtAnswer answer;
  if (!BtExchange(payload, sizeof payload, &answer) || answer.length != kCardVersionLength ||
      answer.status != kCardVersionOk)
    return -1;
  std::snprintf(out, 12, "%d.%d.%d", answer.data[0], answer.data[1], answer.data[2]);
  return 0;
}

int SetBtKey3Des(const unsigned char* value16) {
  if (value16 == nullptr) return 0;
  std::uint8_t samId[16] = {};
  // An unread SAM id would be no key at all.
  if (GetSamId(Device().gPort, samId, 0) != kReaderSuccess) return 0;
  std::uint8_t payload[2 + 16] = {0x7A, kArgumentNone};
  EncipherUnderSamId(samId, value16, payload + 2);
  return BtCommandOk(payload, sizeof payload) ? 1 : 0;
}

int SetBtKey3DesFromHidSamId() {
  std::uint8_t* samId = Device().gHidSamId;
  if (SetBtKey3Des(samId) == 1) return 0;
  std::memset(samId, 0, sizeof Device().gHidSamId);
  return -1;
}

}  // namespace vantel
