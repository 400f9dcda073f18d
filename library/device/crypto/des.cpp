#include "library/device/crypto/des.h"

#include <cstring>

#include "library/device/crypto/byte_order.h"
#include "library/device/crypto/des_tables.h"
#include "library/device/crypto/wipe_bytes.h"

namespace vantel {
namespace {

using des_tables::kSp;

// Output bit i (counted from the most significant of `outBits`) is input bit table[i]
// (counted from the most significant of `inBits`).
template <std::size_t N>
std::uint64_t Permute(std::uint64_t input, int inBits, const std::array<std::uint8_t, N>& table) {
  std::uint64_t output = 0;
  for (std::size_t i = 0; i < N; ++i) {
    output = (output << 1) | ((input >> (inBits - 1 - table[i])) & 1);
  }
  return output;
}

std::uint32_t RotateLeft28(std::uint32_t half, int bits) {
  return ((half << bits) | (half >> (28 - bits))) & 0x0FFFFFFF;
}

std::uint32_t RotateRight32(std::uint32_t value, int bits) { return RotateLeft32(value, 32 - bits); }

// The round function on the right half with one round's cooked key.
std::uint32_t RoundFunction(std::uint32_t right, const std::uint32_t* key) {
  const std::uint32_t odd = RotateRight32(right, 3) ^ key[0];  // groups of S1, S3, S5, S7
  const std::uint32_t even = RotateLeft32(right, 1) ^ key[1];  // groups of S2, S4, S6, S8
  return kSp[0][(odd >> 24) & 63] ^ kSp[2][(odd >> 16) & 63] ^ kSp[4][(odd >> 8) & 63] ^
         kSp[6][odd & 63] ^ kSp[1][(even >> 24) & 63] ^ kSp[3][(even >> 16) & 63] ^
         kSp[5][(even >> 8) & 63] ^ kSp[7][even & 63];
}

template <typename Context>
void SetIv(Context* ctx, const std::uint8_t iv8[8]) {
  LoadBe64(iv8, ctx->iv);
  ctx->savedIv[0] = ctx->iv[0];
  ctx->savedIv[1] = ctx->iv[1];
}

// CBC over `len` bytes, each block enciphered by `cipher` (one or three DES passes).
template <typename Context, typename Cipher>
int Cbc(Context* ctx, std::uint8_t* out, const std::uint8_t* in, std::size_t len, Cipher cipher) {
  if (len % 8 != 0) return 1;
  std::uint32_t block[2];
  std::uint32_t input[2];
  for (std::size_t offset = 0; offset < len; offset += 8) {
    LoadBe64(in + offset, input);
    if (ctx->encrypt) {
      block[0] = input[0] ^ ctx->iv[0];
      block[1] = input[1] ^ ctx->iv[1];
      cipher(block);
      ctx->iv[0] = block[0];
      ctx->iv[1] = block[1];
    } else {
      block[0] = input[0];
      block[1] = input[1];
      cipher(block);
      block[0] ^= ctx->iv[0];
      block[1] ^= ctx->iv[1];
      ctx->iv[0] = input[0];
      ctx->iv[1] = input[1];
    }
    StoreBe64(block, out + offset);
  }
  WipeBytes(block, sizeof block);
  WipeBytes(input, sizeof input);
  return 0;
}

}  // namespace

void LoadBe64(const std::uint8_t bytes[8], std::uint32_t words2[2]) {
  words2[0] = LoadBe32(bytes);
  words2[1] = LoadBe32(bytes + 4);
}

void StoreBe64(const std::uint32_t words2[2], std::uint8_t bytes[8]) {
  StoreBe32(words2[0], bytes);
  StoreBe32(words2[1], bytes + 4);
}

void DesKeySchedule(DesSchedule schedule, const std::uint8_t key8[8], int encrypt) {
  std::uint32_t keyWords[2];
  LoadBe64(key8, keyWords);
  const std::uint64_t key = std::uint64_t{keyWords[0]} << 32 | keyWords[1];
  const std::uint64_t halves = Permute(key, 64, des_tables::kPc1);
  const std::uint32_t c = static_cast<std::uint32_t>(halves >> 28) & 0x0FFFFFFF;
  const std::uint32_t d = static_cast<std::uint32_t>(halves) & 0x0FFFFFFF;
  std::uint32_t raw[32];
  for (int round = 0; round < 16; ++round) {
    const int shift = des_tables::kRotations[round];
    const std::uint64_t rotated = std::uint64_t{RotateLeft28(c, shift)} << 28 | RotateLeft28(d, shift);
    const std::uint64_t roundKey = Permute(rotated, 56, des_tables::kPc2);
    const int slot = encrypt ? round : 15 - round;
    raw[2 * slot] = static_cast<std::uint32_t>(roundKey >> 24) & 0xFFFFFF;
    raw[2 * slot + 1] = static_cast<std::uint32_t>(roundKey) & 0xFFFFFF;
  }
  DesCookKey(raw, schedule);
  WipeBytes(raw, sizeof raw);
  WipeBytes(keyWords, sizeof keyWords);
}

void DesCookKey(const std::uint32_t raw[32], DesSchedule cooked) {
  for (int round = 0; round < 16; ++round) {
    const std::uint64_t bits = std::uint64_t{raw[2 * round]} << 24 | raw[2 * round + 1];
    std::uint32_t odd = 0;
    std::uint32_t even = 0;
    for (int group = 0; group < 8; ++group) {
      const std::uint32_t six = static_cast<std::uint32_t>(bits >> (42 - 6 * group)) & 63;
      std::uint32_t& word = group % 2 == 0 ? odd : even;
      word |= six << (24 - 8 * (group / 2));
    }
    cooked[2 * round] = odd;
    cooked[2 * round + 1] = even;
  }
}

void DesBlock(std::uint32_t words2[2], const DesSchedule schedule) {
  const std::uint64_t permuted =
      Permute(std::uint64_t{words2[0]} << 32 | words2[1], 64, des_tables::kIp);
  std::uint32_t left = static_cast<std::uint32_t>(permuted >> 32);
  std::uint32_t right = static_cast<std::uint32_t>(permuted);
  for (int round = 0; round < 16; ++round) {
    const std::uint32_t next = left ^ RoundFunction(right, schedule + 2 * round);
    left = right;
    right = next;
  }
  const std::uint64_t output = Permute(std::uint64_t{right} << 32 | left, 64, des_tables::kFp);
  words2[0] = static_cast<std::uint32_t>(output >> 32);
  words2[1] = static_cast<std::uint32_t>(output);
}

void DesSetKey(DesContext* ctx, const std::uint8_t key8[8], const std::uint8_t iv8[8], int encrypt) {
  ctx->encrypt = encrypt;
  SetIv(ctx, iv8);
  DesKeySchedule(ctx->schedule, key8, encrypt);
}

void Des3SetKey2(Des3Context* ctx, const std::uint8_t key16[16], const std::uint8_t iv8[8],
                 int encrypt) {
  ctx->encrypt = encrypt;
  SetIv(ctx, iv8);
  DesKeySchedule(ctx->schedule[0], key16, encrypt);
  DesKeySchedule(ctx->schedule[1], key16 + 8, !encrypt);
  DesKeySchedule(ctx->schedule[2], key16, encrypt);
}

int DesCbc(DesContext* ctx, std::uint8_t* out, const std::uint8_t* in, std::size_t len) {
  return Cbc(ctx, out, in, len, [ctx](std::uint32_t* block) { DesBlock(block, ctx->schedule); });
}

int Des3Cbc(Des3Context* ctx, std::uint8_t* out, const std::uint8_t* in, std::size_t len) {
  return Cbc(ctx, out, in, len, [ctx](std::uint32_t* block) {
    DesBlock(block, ctx->schedule[0]);
    DesBlock(block, ctx->schedule[1]);
    DesBlock(block, ctx->schedule[2]);
  });
}

void DesResetIv(DesContext* ctx) {
  ctx->iv[0] = ctx->savedIv[0];
  ctx->iv[1] = ctx->savedIv[1];
}

void Des3ResetIv(Des3Context* ctx) {
  ctx->iv[0] = ctx->savedIv[0];
  ctx->iv[1] = ctx->savedIv[1];
}

}  // namespace vantel
