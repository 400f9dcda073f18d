#include "library/cards/contactless_card.h"

#include <cstdint>
#include <cstring>

#include "library/cards/debug_log.h"
#include "library/device/card_exchange.h"
#include "library/device/commands/device_commands.h"
#include "library/device/device_state.h"
#include "library/device/m1_card.h"
#include "library/device/port_api.h"
#include "library/device/sam_commands.h"
#include "library/device/text_conversions.h"

namespace vantel {
namespace {

constexpr int kCardFound = 0x56;  // the reader's plain success status
constexpr std::uint8_t kPageWritten = 0x56;
constexpr std::uint8_t kWriteCommand = 0x04;
constexpr std::uint8_t kWritePageCommand = 0x1C;
constexpr int kPageSize = 4;

int KindOfType(std::uint8_t type) {
  if (type == 0x08 || type == 0xFF) return 1;
  if (type == 0x18) return 3;
  if (type == 0x00) return kM1PageKind;
  if ((type & 0x24) == 0x20) return 2;
  if (type & 0x04) return type;
  return 1;
}

// 04 FF sector block keyType key data: the write's payload on HID and the byte stream.
int BuildWritePayload(const M1Block& where, int keyType, const unsigned char* key,
                      const unsigned char* data, std::uint8_t* payload) {
  const int keyed = BuildM1KeyedPayload(kWriteCommand, where, keyType, key, payload);
  std::memcpy(payload + keyed, data, kM1BlockSize);
  return keyed + kM1BlockSize;
}

int PcscWrite(const M1Block& where, int keyType, const unsigned char* key,
              const unsigned char* data) {
  std::uint8_t payload[32];
  const int length = BuildWritePayload(where, keyType, key, data, payload);
  char text[80];
  FormatM1PcscText(text, "FF97100619", payload + 2, length - 2);
  std::uint8_t answer[kPcscAnswerSize];
  PcscVendorExchange(text, answer);
  return answer[0] == 0x90 && answer[1] == 0x00 ? 1 : 0;
}

int HidWrite(int kind, const M1Block& where, int keyType, const unsigned char* key,
             const unsigned char* data) {
  const std::uint8_t* report = Device().InputReport;
  if (kind == kM1PageKind) {
    std::uint8_t payload[3 + kPageSize] = {kWritePageCommand, 0xFF, where.block};
    std::memcpy(payload + 3, data, kPageSize);
    HidVendorExchange(payload, sizeof payload);
    return report[4] == kPageWritten && report[5] == 0xFF ? 1 : -2;
  }
  std::uint8_t payload[32];
  HidVendorExchange(payload, BuildWritePayload(where, keyType, key, data, payload));
  return report[4] == kWriteCommand && report[5] == 0xFF ? 1 : 0;
}

int StreamWrite(const M1Block& where, int keyType, const unsigned char* key,
                const unsigned char* data) {
  std::uint8_t payload[32];
  const int length = BuildWritePayload(where, keyType, key, data, payload);
  const int written = StreamVendorWriteCount(payload, length);
  if (written != length + 4) return WriteCountResult(written);
  StreamAnswer answer;
  StreamReadVendor(&answer);
  return answer.Is(kWriteCommand) ? 1 : 0;
}

bool ReadsManagementNumber(int port) {
  return IsComPort(port) || IsUsbPort(port) || port == kHidPort || port == kPcscPort;
}

}  // namespace

int FindIcCard() {
  WriteDebugLog("Kestor_IC_FindCard");
  DeviceState& device = Device();
  device.gM1CardType = 0;
  std::uint8_t type = 0;
  if (FindContactlessCard(&type) != kCardFound) return 0;
  device.gM1CardType = KindOfType(type);
  DebugLogf("Kestor_IC_FindCard gM1CardType = %d", device.gM1CardType);
  return device.gM1CardType;
}

int WriteM1Block(int sid, int bid, int keyType, const unsigned char* key,
                 const unsigned char* data) {
  const int kind = Device().gM1CardType;
  DebugLogf("Kestor_IC_HL_WriteCard SID: %x BID: %x keyType: %x", sid, bid, keyType);
  if (key) DebugLogf("Key: %02x%02x%02x%02x%02x%02x", key[0], key[1], key[2], key[3], key[4], key[5]);
  DebugLogf("gM1CardType = %d", kind);
  M1Block where;
  if (!CheckM1Request(kind, sid, bid, keyType, key, data, &where)) return -1;
  if (PcscConnected()) return PcscWrite(where, keyType, key, data);
  if (UsesHidReader()) return HidWrite(kind, where, keyType, key, data);
  return StreamWrite(where, keyType, key, data);
}

int ReadIinsndn(char* out) {
  const int port = Device().gPort;
  if (!out || !ReadsManagementNumber(port)) return 0;
  std::memset(out, 0, 16);
  unsigned char info[28] = {};
  if (ReadMngInfo(port, info, 0) != kReaderSuccess) return 0;
  BytesToHex(info, out, 16);
  return 1;
}

}  // namespace vantel
