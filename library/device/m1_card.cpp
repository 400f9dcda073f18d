#include "library/device/m1_card.h"

#include <cstring>

#include "library/device/card_exchange.h"
#include "library/device/device_state.h"
#include "library/device/text_conversions.h"

namespace vantel {
namespace {

constexpr std::uint8_t kReadCommand = 0x03;
constexpr std::uint8_t kReadPageCommand = 0x1B;

int PcscRead(const M1Block& where, int keyType, const unsigned char* key, unsigned char* out) {
  std::uint8_t payload[16];
  BuildM1KeyedPayload(kReadCommand, where, keyType, key, payload);
  char text[64];
  // The fields after command and FF: sector, block, key type and key.
  FormatM1PcscText(text, "FF97100509", payload + 2, 3 + kM1KeySize);
  std::uint8_t answer[kPcscAnswerSize];
  const int received = PcscVendorExchange(text, answer);
  if (received < kM1BlockSize + 2 || answer[0] == 0xFA || answer[16] != 0x90 || answer[17] != 0x00)
    return 0;
  std::memcpy(out, answer, kM1BlockSize);
  return 1;
}

int HidRead(int kind, const M1Block& where, int keyType, const unsigned char* key,
            unsigned char* out) {
  const std::uint8_t* report = Device().InputReport;
  if (kind == kM1PageKind) {
    const std::uint8_t payload[] = {kReadPageCommand, 0xFF, where.block};
    HidVendorExchange(payload, sizeof payload);
    if (report[4] != 0x56 || report[5] != 0xFF) return -2;
  } else {
    std::uint8_t payload[16];
    HidVendorExchange(payload, BuildM1KeyedPayload(kReadCommand, where, keyType, key, payload));
    if (report[4] != kReadCommand || report[5] != 0xFF) return -3;
  }
  std::memcpy(out, report + 6, kM1BlockSize);
  return 1;
}

int StreamRead(const M1Block& where, int keyType, const unsigned char* key, unsigned char* out) {
  std::uint8_t payload[16];
  const int length = BuildM1KeyedPayload(kReadCommand, where, keyType, key, payload);
  const int written = StreamVendorWriteCount(payload, length);
  if (written != length + 4) return WriteCountResult(written);
  StreamAnswer answer;
  StreamReadVendor(&answer);
  // The block follows the echo and FF: 18 bytes at the least.
  if (answer.length < 2 + kM1BlockSize || !answer.Is(kReadCommand)) return 0;
  std::memcpy(out, answer.body + 2, kM1BlockSize);
  return 1;
}

// False when the card kind has no such block, or no card (or an unknown kind) was found.
bool LocateM1Block(int kind, int sector, int block, M1Block* where) {
  int sentSector = sector;
  int sentBlock = block;
  switch (kind) {
    case 1:
    case 2:
      if (sector < 0 || sector > 15 || block < 0 || block > 3) return false;
      break;
    case 3:
      if (sector < 0 || sector > 39 || block < 0 || block > (sector < 32 ? 3 : 15)) return false;
      if (sector >= 32) {
        sentSector = 4 * sector - 96 + block / 4;
        sentBlock = block % 4;
      }
      break;
    case kM1PageKind:
      if (block < 0 || block > 255) return false;
      sentSector = 0;
      break;
    default:
      return false;
  }
  where->sector = static_cast<std::uint8_t>(sentSector);
  where->block = static_cast<std::uint8_t>(sentBlock);
  return true;
}

}  // namespace

int BuildM1KeyedPayload(std::uint8_t command, const M1Block& where, int keyType,
                        const unsigned char* key, std::uint8_t* payload) {
  const std::uint8_t head[] = {command, 0xFF, where.sector, where.block,
                               static_cast<std::uint8_t>(keyType)};
  std::memcpy(payload, head, sizeof head);
  std::memcpy(payload + sizeof head, key, kM1KeySize);
  return static_cast<int>(sizeof head) + kM1KeySize;
}

void FormatM1PcscText(char* text, const char* head, const std::uint8_t* bytes, int count) {
  const std::size_t headLength = std::strlen(head);
  std::memcpy(text, head, headLength);
  BytesToHex(bytes, text + headLength, 2 * count);
  std::strcpy(text + headLength + 2 * count, "00");
}

bool CheckM1Request(int kind, int sector, int block, int keyType, const unsigned char* key,
                    const unsigned char* buffer, M1Block* where) {
  if (!LocateM1Block(kind, sector, block, where) || !buffer) return false;
  if (kind != kM1PageKind && keyType != kM1KeyA && keyType != kM1KeyB) return false;
  // Every frame but the HID reader's page commands carries the six key bytes.
  const bool sendsKey = PcscConnected() || !(UsesHidReader() && kind == kM1PageKind);
  return key || !sendsKey;
}

int ReadM1Block(int sector, int block, int keyType, const unsigned char* key,
                unsigned char* out) {
  const int kind = Device().gM1CardType;
  M1Block where;
  if (!CheckM1Request(kind, sector, block, keyType, key, out, &where)) return -1;
  if (PcscConnected()) return PcscRead(where, keyType, key, out);
  if (UsesHidReader()) return HidRead(kind, where, keyType, key, out);
  return StreamRead(where, keyType, key, out);
}

}  // namespace vantel
