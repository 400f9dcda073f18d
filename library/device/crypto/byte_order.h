#pragma once
// Big-endian words, as every algorithm of this folder reads its blocks.
#include <cstdint>

namespace vantel {

inline std::uint32_t LoadBe32(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
         static_cast<std::uint32_t>(bytes[2]) << 8 | bytes[3];
}

inline void StoreBe32(std::uint32_t word, std::uint8_t* bytes) {
  bytes[0] = static_cast<std::uint8_t>(word >> 24);
  bytes[1] = static_cast<std::uint8_t>(word >> 16);
  bytes[2] = static_cast<std::uint8_t>(word >> 8);
  bytes[3] = static_cast<std::uint8_t>(word);
}

inline std::uint32_t RotateLeft32(std::uint32_t value, int bits) {
  bits &= 31;
  return bits == 0 ? value : (value << bits) | (value >> (32 - bits));
}

}  // namespace vantel
