#include "library/device/enc_chip/chip_derive.h"

#include <cstring>

#include "library/device/crypto/sm3.h"
#include "library/device/crypto/sm4.h"
#include "library/device/crypto/wipe_bytes.h"

namespace vantel {
namespace {

void XorGroups(std::uint8_t acc[16], const std::uint8_t* bytes, int length) {
  const int count = length & 0xFF;
  for (int i = 0; i < count; ++i) acc[i % 16] ^= bytes[i];
}

}  // namespace

void ChipDerive(const std::uint8_t* a, int lenA, const std::uint8_t x16[16], const std::uint8_t* b, int lenB,
                const std::uint8_t key16[16], std::uint8_t out16[16]) {
  std::uint8_t acc[16] = {};
  XorGroups(acc, a, lenA);
  XorGroups(acc, x16, 16);
  XorGroups(acc, b, lenB);
  Sm4Context sm4;
  Sm4SetEncryptKey(&sm4, key16);
  std::uint8_t iv[16] = {};
  Sm4Cbc(&sm4, 1, 16, iv, acc, out16);
  WipeBytes(&sm4, sizeof sm4);
  WipeBytes(acc, sizeof acc);
}

void ChipSm3Digest(const std::uint8_t data16[16], const std::uint8_t w8[8], std::uint8_t out32[32]) {
  std::uint8_t input[24];
  std::memcpy(input, data16, 16);
  std::memcpy(input + 16, w8, 8);
  Sm3Digest(input, sizeof input, out32);
  WipeBytes(input, sizeof input);
}

}  // namespace vantel
