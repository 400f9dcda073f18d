#include "library/device/crypto/sm3.h"

#include <cstring>

#include "library/device/crypto/byte_order.h"
#include "library/device/crypto/wipe_bytes.h"

namespace vantel {
namespace {

std::uint32_t P0(std::uint32_t x) { return x ^ RotateLeft32(x, 9) ^ RotateLeft32(x, 17); }
std::uint32_t P1(std::uint32_t x) { return x ^ RotateLeft32(x, 15) ^ RotateLeft32(x, 23); }

void Compress(Sm3Context* ctx, const std::uint8_t* block) {
  std::uint32_t w[68];
  std::uint32_t w1[64];
  for (int j = 0; j < 16; ++j) w[j] = LoadBe32(block + 4 * j);
  for (int j = 16; j < 68; ++j) {
    w[j] = P1(w[j - 16] ^ w[j - 9] ^ RotateLeft32(w[j - 3], 15)) ^ RotateLeft32(w[j - 13], 7) ^ w[j - 6];
  }
  for (int j = 0; j < 64; ++j) w1[j] = w[j] ^ w[j + 4];

  std::uint32_t a = ctx->state[0], b = ctx->state[1], c = ctx->state[2], d = ctx->state[3];
  std::uint32_t e = ctx->state[4], f = ctx->state[5], g = ctx->state[6], h = ctx->state[7];
  for (int j = 0; j < 64; ++j) {
    const std::uint32_t t = j < 16 ? 0x79CC4519 : 0x7A879D8A;
    const std::uint32_t ss1 = RotateLeft32(RotateLeft32(a, 12) + e + RotateLeft32(t, j), 7);
    const std::uint32_t ss2 = ss1 ^ RotateLeft32(a, 12);
    const std::uint32_t ff = j < 16 ? a ^ b ^ c : (a & b) | (a & c) | (b & c);
    const std::uint32_t gg = j < 16 ? e ^ f ^ g : (e & f) | (~e & g);
    const std::uint32_t tt1 = ff + d + ss2 + w1[j];
    const std::uint32_t tt2 = gg + h + ss1 + w[j];
    d = c;
    c = RotateLeft32(b, 9);
    b = a;
    a = tt1;
    h = g;
    g = RotateLeft32(f, 19);
    f = e;
    e = P0(tt2);
  }
  ctx->state[0] ^= a;
  ctx->state[1] ^= b;
  ctx->state[2] ^= c;
  ctx->state[3] ^= d;
  ctx->state[4] ^= e;
  ctx->state[5] ^= f;
  ctx->state[6] ^= g;
  ctx->state[7] ^= h;
  ++ctx->blocks;
  WipeBytes(w, sizeof w);
  WipeBytes(w1, sizeof w1);
}

}  // namespace

void Sm3Init(Sm3Context* ctx) {
  static const std::uint32_t kInitial[8] = {0x7380166F, 0x4914B2B9, 0x172442D7, 0xDA8A0600,
                                            0xA96F30BC, 0x163138AA, 0xE38DEE4D, 0xB0FB0E4E};
  std::memcpy(ctx->state, kInitial, sizeof kInitial);
  ctx->blocks = 0;
  ctx->used = 0;
}

void Sm3Update(Sm3Context* ctx, const std::uint8_t* data, std::size_t len) {
  if (ctx->used > 0) {
    const std::size_t take = len < 64 - ctx->used ? len : 64 - ctx->used;
    std::memcpy(ctx->buffer + ctx->used, data, take);
    ctx->used += static_cast<std::uint32_t>(take);
    data += take;
    len -= take;
    if (ctx->used < 64) return;
    Compress(ctx, ctx->buffer);
    ctx->used = 0;
  }
  for (; len >= 64; data += 64, len -= 64) Compress(ctx, data);
  if (len > 0) std::memcpy(ctx->buffer, data, len);
  ctx->used = static_cast<std::uint32_t>(len);
}

void Sm3Final(Sm3Context* ctx, std::uint8_t out32[32]) {
  const std::uint64_t bits = ctx->blocks * 512 + std::uint64_t{ctx->used} * 8;
  ctx->buffer[ctx->used++] = 0x80;
  if (ctx->used > 56) {
    std::memset(ctx->buffer + ctx->used, 0, 64 - ctx->used);
    Compress(ctx, ctx->buffer);
    ctx->used = 0;
  }
  std::memset(ctx->buffer + ctx->used, 0, 56 - ctx->used);
  for (int i = 0; i < 8; ++i) ctx->buffer[56 + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  Compress(ctx, ctx->buffer);
  ctx->used = 0;
  for (int i = 0; i < 8; ++i) StoreBe32(ctx->state[i], out32 + 4 * i);
}

void Sm3Digest(const std::uint8_t* data, std::size_t len, std::uint8_t out32[32]) {
  Sm3Context ctx;
  Sm3Init(&ctx);
  Sm3Update(&ctx, data, len);
  Sm3Final(&ctx, out32);
  WipeBytes(&ctx, sizeof ctx);
}

}  // namespace vantel
