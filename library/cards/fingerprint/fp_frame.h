#pragma once
// The SAM's answer to the fingerprint base-message read: AA AA AA 96 69, LEN (big-endian:
// 0x090A with fingerprint, 2321 bytes; 0x050A without, 1297 bytes), SW1 SW2 SW3, the text,
// photo and fingerprint lengths (big-endian), the 256-byte text at 16, the 1024-byte photo at
// 272, the 1024-byte fingerprint at 1296, the XOR byte last.
#include <cstddef>
#include <cstdint>

namespace vantel {

constexpr std::size_t kFPBaseMsgFrameSize = 2321;
constexpr std::size_t kFPBaseMsgShortFrameSize = 1297;
constexpr unsigned kFPFrameLength = 0x090A;
constexpr unsigned kFPFrameLengthWithout = 0x050A;
constexpr unsigned kFingerprintSize = 1024;
// Room for a frame joined from whole HID reports: 37 of 64 bytes.
constexpr std::size_t kFPFrameBufferSize = 2368;

// Where the caller wants the message; a null pointer is left out.
struct FPBaseMsgOut {
  unsigned char* text;
  unsigned* textLength;
  unsigned char* photo;
  unsigned* photoLength;
  unsigned char* fingerprint;
  unsigned* fingerprintLength;
};

// LEN of the frame's head.
unsigned FPFrameLength(const std::uint8_t* frame);

// Bytes 5..2320 of the zero-padded frame buffer XOR to 0.
bool FPFrameIsGood(const std::uint8_t* frame);

// The three stated lengths, capped at 256, 1024 and 1024, each cut further to what the
// frame's first `carried` bytes hold before the check byte; the parts copied, the lengths
// set. Returns the photo length.
unsigned CopyFPBaseMsg(const std::uint8_t* frame, std::size_t carried, const FPBaseMsgOut& out);

}  // namespace vantel
