#pragma once
// Byte layout of the reader frames, shared by the frame readers and writers.
#include <cstddef>
#include <cstdint>

namespace vantel {

constexpr std::uint8_t kSamPreamble[] = {0xAA, 0xAA, 0xAA, 0x96, 0x69};
// The preamble of a base64-wrapped serial answer chunk.
constexpr std::uint8_t kBase64Preamble[] = {0xA5, 0xA5, 0xA5, 0x96, 0x69};
constexpr std::size_t kPreambleSize = sizeof kSamPreamble;
constexpr std::size_t kSamHeaderSize = 7;  // preamble and LEN
constexpr std::size_t kVendorHeaderSize = 3;  // 55 AA LEN
constexpr std::uint8_t kLongVendorLength = 0xFF;

// How long an answer may take unless Kestor_SetComtimeout set a wait of its own.
constexpr std::int32_t kDefaultAnswerWaitMs = 5000;

inline bool HasPrefix(const std::uint8_t* data, const std::uint8_t* prefix, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] != prefix[i]) return false;
  }
  return true;
}

inline bool HasSamPreamble(const std::uint8_t* data) {
  return HasPrefix(data, kSamPreamble, kPreambleSize);
}

inline bool HasVendorMarker(const std::uint8_t* data) { return data[0] == 0x55 && data[1] == 0xAA; }

// The big-endian length at bytes 5 and 6 of a 7-byte header.
inline unsigned SamLength(const std::uint8_t* header) {
  return static_cast<unsigned>(header[5]) << 8 | header[6];
}

}  // namespace vantel
