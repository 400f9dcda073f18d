#pragma once
// The check values the encryption chip expects with its key and upgrade commands.
#include <cstdint>

namespace vantel {

// acc = 16 zero bytes; XOR in every 16-byte group of A (the last zero-padded), then X, then
// every group of B; out = SM4 of acc under key (one CBC block, zero IV). Lengths count
// modulo 256.
void ChipDerive(const std::uint8_t* a, int lenA, const std::uint8_t x16[16], const std::uint8_t* b, int lenB,
                const std::uint8_t key16[16], std::uint8_t out16[16]);
// SM3 of data16 followed by w8.
void ChipSm3Digest(const std::uint8_t data16[16], const std::uint8_t w8[8], std::uint8_t out32[32]);

}  // namespace vantel
