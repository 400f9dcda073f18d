#include "library/device/crypto/sha1.h"

#include <cstring>

#include "library/device/crypto/byte_order.h"
#include "library/device/crypto/wipe_bytes.h"

namespace vantel {
namespace {

void ProcessBlock(Sha1Context* ctx, const std::uint8_t* block) {
  std::uint32_t words[16];
  for (int i = 0; i < 16; ++i) words[i] = LoadBe32(block + 4 * i);
  Sha1Transform(words, ctx);
  ++ctx->blocks;
  WipeBytes(words, sizeof words);
}

}  // namespace

void Sha1Compress(std::uint32_t state[5], std::uint32_t w[16]) {
  std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
  for (int t = 0; t < 80; ++t) {
    if (t >= 16) {
      w[t & 15] = RotateLeft32(w[(t + 13) & 15] ^ w[(t + 8) & 15] ^ w[(t + 2) & 15] ^ w[t & 15], 1);
    }
    std::uint32_t f, k;
    if (t < 20) {
      f = (b & c) | (~b & d);
      k = 0x5A827999;
    } else if (t < 40) {
      f = b ^ c ^ d;
      k = 0x6ED9EBA1;
    } else if (t < 60) {
      f = (b & c) | (b & d) | (c & d);
      k = 0x8F1BBCDC;
    } else {
      f = b ^ c ^ d;
      k = 0xCA62C1D6;
    }
    const std::uint32_t next = RotateLeft32(a, 5) + f + e + k + w[t & 15];
    e = d;
    d = c;
    c = RotateLeft32(b, 30);
    b = a;
    a = next;
  }
  state[0] += a;
  state[1] += b;
  state[2] += c;
  state[3] += d;
  state[4] += e;
}

void Sha1Transform(std::uint32_t words[16], Sha1Context* ctx) { Sha1Compress(ctx->state, words); }

void Sha1Init(Sha1Context* ctx) {
  static const std::uint32_t kInitial[5] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                            0xC3D2E1F0};
  std::memcpy(ctx->state, kInitial, sizeof kInitial);
  ctx->blocks = 0;
  ctx->used = 0;
}

void Sha1Update(Sha1Context* ctx, const std::uint8_t* data, std::size_t len) {
  if (ctx->used == 64) {
    ProcessBlock(ctx, ctx->block);
    ctx->used = 0;
  }
  if (!data) return;
  if (ctx->used > 0) {
    while (ctx->used < 64 && len > 0) {
      ctx->block[ctx->used++] = *data++;
      --len;
    }
    if (ctx->used < 64) return;
    ProcessBlock(ctx, ctx->block);
    ctx->used = 0;
  }
  for (; len >= 64; data += 64, len -= 64) ProcessBlock(ctx, data);
  std::memcpy(ctx->block, data, len);
  ctx->used = static_cast<std::uint32_t>(len);
}

void Sha1Final(Sha1Context* ctx) {
  Sha1Update(ctx, nullptr, 0);
  const std::uint64_t bits = ctx->blocks * 512 + std::uint64_t{ctx->used} * 8;
  ctx->block[ctx->used++] = 0x80;
  if (ctx->used > 56) {
    std::memset(ctx->block + ctx->used, 0, 64 - ctx->used);
    ProcessBlock(ctx, ctx->block);
    ctx->used = 0;
  }
  std::memset(ctx->block + ctx->used, 0, 56 - ctx->used);
  for (int i = 0; i < 8; ++i) ctx->block[56 + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  ProcessBlock(ctx, ctx->block);
  ctx->used = 0;
  for (int i = 0; i < 5; ++i) StoreBe32(ctx->state[i], ctx->block + 4 * i);
}

}  // namespace vantel
