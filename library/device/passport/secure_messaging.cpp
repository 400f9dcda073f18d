#include "library/device/passport/secure_messaging.h"

#include <cstring>

#include "library/device/crypto/des.h"
#include "library/device/crypto/wipe_bytes.h"
#include "library/device/passport/bac.h"

namespace vantel {
namespace {

// One data object of an answer: where its value starts and how long it is.
struct DataObject {
  std::size_t valueOffset = 0;
  std::size_t valueLength = 0;
  std::size_t end = 0;  // the offset after the object
};

// The object with `tag` at `offset`, its length in the short or long form; false when the
// tag differs or the object runs past `length`.
bool ParseObject(const std::uint8_t* bytes, std::size_t length, std::size_t offset, std::uint8_t tag,
                 DataObject* object) {
  if (offset + 2 > length || bytes[offset] != tag) return false;
  std::size_t header = 2;
  std::size_t valueLength = bytes[offset + 1];
  if (valueLength == 0x81 || valueLength == 0x82) {
    const std::size_t lengthBytes = valueLength - 0x80;
    if (offset + 2 + lengthBytes > length) return false;
    valueLength = 0;
    for (std::size_t i = 0; i < lengthBytes; ++i) valueLength = valueLength << 8 | bytes[offset + 2 + i];
    header += lengthBytes;
  } else if (valueLength > 0x7F) {
    return false;
  }
  if (valueLength > length - offset - header) return false;
  object->valueOffset = offset + header;
  object->valueLength = valueLength;
  object->end = offset + header + valueLength;
  return true;
}

bool MacMatches(const SecureChannel& channel, const std::uint8_t* covered, std::size_t length,
                const std::uint8_t* mac) {
  std::uint8_t input[8 + kMaxProtectedData + 16];
  if (length > kMaxProtectedData + 8) return false;
  std::memcpy(input, channel.ssc, 8);
  PadIso9797M2(covered, length, input + 8);
  std::uint8_t expected[8];
  RetailMac(channel.ksMac, input, (8 + length) / 8 * 8 + 8, expected);
  std::uint8_t difference = 0;
  for (int i = 0; i < 8; ++i) difference |= static_cast<std::uint8_t>(expected[i] ^ mac[i]);
  return difference == 0;
}

// Deciphers the DO87 value after its padding indicator and strips the 80 00.. padding.
bool Decipher(const SecureChannel& channel, const std::uint8_t* value, std::size_t length,
              std::uint8_t* data, std::size_t* dataLength) {
  if (length < 9 || (length - 1) % 8 != 0 || length - 1 > kMaxProtectedData) return false;
  static const std::uint8_t kZeroIv[8] = {};
  Des3Context des3;
  Des3SetKey2(&des3, channel.ksEnc, kZeroIv, 0);
  Des3Cbc(&des3, data, value + 1, length - 1);
  WipeBytes(&des3, sizeof des3);
  std::size_t end = length - 1;
  while (end > 0 && data[end - 1] == 0) --end;
  if (end == 0 || data[end - 1] != 0x80) return false;
  *dataLength = end - 1;
  return true;
}

}  // namespace

void BuildProtectedRead(SecureChannel* channel, std::uint8_t p1, std::uint8_t p2, std::uint8_t le,
                        std::uint8_t command[kProtectedReadLength]) {
  IncrementSsc(channel->ssc);
  const std::uint8_t header[4] = {0x0C, 0xB0, p1, p2};
  const std::uint8_t do97[3] = {0x97, 0x01, le};
  std::uint8_t input[24];
  std::memcpy(input, channel->ssc, 8);
  PadIso9797M2(header, sizeof header, input + 8);
  PadIso9797M2(do97, sizeof do97, input + 16);
  std::memcpy(command, header, sizeof header);
  command[4] = 0x0D;
  std::memcpy(command + 5, do97, sizeof do97);
  command[8] = 0x8E;
  command[9] = 0x08;
  RetailMac(channel->ksMac, input, sizeof input, command + 10);
  command[18] = 0x00;
}

AnswerCheck OpenProtectedAnswer(SecureChannel* channel, const std::uint8_t* answer, std::size_t length,
                                std::uint8_t data[kMaxProtectedData], std::size_t* dataLength) {
  if (length < 2 || answer[length - 2] != 0x90 || answer[length - 1] != 0x00) return AnswerCheck::kStatus;
  IncrementSsc(channel->ssc);
  const std::size_t body = length - 2;
  DataObject do87, do99, do8e;
  const bool hasData = body > 0 && answer[0] == 0x87;
  if (hasData && !ParseObject(answer, body, 0, 0x87, &do87)) return AnswerCheck::kMac;
  const std::size_t statusOffset = hasData ? do87.end : 0;
  if (!ParseObject(answer, body, statusOffset, 0x99, &do99) || do99.valueLength != 2 ||
      !ParseObject(answer, body, do99.end, 0x8E, &do8e) || do8e.valueLength != 8 || do8e.end != body) {
    return AnswerCheck::kMac;
  }
  if (!MacMatches(*channel, answer, do99.end, answer + do8e.valueOffset)) return AnswerCheck::kMac;
  // The chip's own status is the one under the MAC; the outer 90 00 is not protected.
  if (answer[do99.valueOffset] != 0x90 || answer[do99.valueOffset + 1] != 0x00) return AnswerCheck::kStatus;
  *dataLength = 0;
  if (hasData && !Decipher(*channel, answer + do87.valueOffset, do87.valueLength, data, dataLength)) {
    return AnswerCheck::kMac;
  }
  return AnswerCheck::kGood;
}

}  // namespace vantel
