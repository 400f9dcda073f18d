#pragma once
// SM3 (GB/T 32905), behind Kestor_SM3 and the encryption chip's commands.
#include <cstddef>
#include <cstdint>

namespace vantel {

struct Sm3Context {
  std::uint32_t state[8];
  std::uint64_t blocks;  // whole 64-byte blocks compressed
  std::uint8_t buffer[64];
  std::uint32_t used;    // bytes in `buffer` (0..63)
};

constexpr std::size_t kSm3DigestSize = 32;

void Sm3Init(Sm3Context* ctx);
void Sm3Update(Sm3Context* ctx, const std::uint8_t* data, std::size_t len);
void Sm3Final(Sm3Context* ctx, std::uint8_t out32[32]);
void Sm3Digest(const std::uint8_t* data, std::size_t len, std::uint8_t out32[32]);

}  // namespace vantel
