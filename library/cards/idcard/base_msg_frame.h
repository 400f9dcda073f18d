#pragma once
// The SAM's answer to the base-message read (1295 bytes): AA AA AA 96 69, LEN (big-endian,
// 0x0508), SW1 SW2 SW3, text length and photo length (big-endian), the 256-byte text at 14,
// the 1024-byte photo at 270, and the XOR byte at 1294 that makes bytes 5..1294 XOR to 0.
#include <cstddef>
#include <cstdint>

namespace vantel {

constexpr std::size_t kBaseMsgFrameSize = 1295;
constexpr unsigned kBaseMsgTextSize = 256;
constexpr unsigned kBaseMsgPhotoSize = 1024;
constexpr std::size_t kBaseMsgSw3At = 9;
constexpr std::uint8_t kSwCardReadFailed = 0x41;  // 'A': the card could not be read

// Where the caller wants the message; a null pointer is left out.
struct BaseMsgOut {
  unsigned char* text;
  unsigned* textLength;
  unsigned char* photo;
  unsigned* photoLength;
};

// The two stated lengths, capped at 256 and 1024.
unsigned BaseMsgTextLength(const std::uint8_t* frame);
unsigned BaseMsgPhotoLength(const std::uint8_t* frame);

// The check passes when bytes 5..1294 XOR to 0 and LEN covers the stated text and photo:
// the bytes beyond a shorter frame were never received and must not pass as card data.
bool BaseMsgFrameIsGood(const std::uint8_t* frame);

// Copies the capped text and photo and both lengths; returns the photo length.
unsigned CopyBaseMsg(const std::uint8_t* frame, const BaseMsgOut& out);

}  // namespace vantel
