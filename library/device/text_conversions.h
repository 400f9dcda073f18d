#pragma once
// Small conversions used across the library: base64, hex text, the SAM id text, 16-bit
// byte helpers and making sure a folder exists.
#include <cstdint>

namespace vantel {

// Standard base64 of `length` bytes (0 = strlen of the input) into `out`, NUL-terminated;
// returns the characters written.
int Base64Encode(char* out, const unsigned char* in, int length);
// The alphabet character of 0..63, '=' for any larger value.
char Base64Char(int value);
// 0..63 for an alphabet character, -1 for any other.
int Base64Value(char character);
// Decodes up to `textLength` characters, skipping those outside the alphabet. *outLength
// is the capacity on entry and the decoded byte count on return; a group that would pass
// the capacity is not written, nor anything after it. 1 when everything fitted, else 0
// (also when `out` is null: then it only measures).
int Base64Decode(const char* text, int textLength, unsigned char* out, int* outLength);

// `digitCount` (modulo 256) upper-case hex digits of `bytes`, then a NUL.
void BytesToHex(const unsigned char* bytes, char* out, int digitCount);

// The SAM id: two 16-bit and three 32-bit little-endian numbers.
struct SamId {
  std::uint16_t first = 0;
  std::uint16_t second = 0;
  std::uint32_t third = 0;
  std::uint32_t fourth = 0;
  std::uint32_t fifth = 0;
};
SamId SamIdFromBytes(const unsigned char* bytes16);
// "%.2d.%.2d-%.8u-%.10u-%.10u": at most 36 characters and no terminator of its own (the
// caller hands in a zero-filled buffer of 37 bytes or more).
void FormatSamIdText(char* out, const SamId& id);

// The two low bytes swapped, the upper 16 bits kept.
int SwapBytes16(int value);
// (high & 0xFF) * 256 + (low & 0xFF).
int MakeWord16(int high, int low);

// True when the folder exists afterwards, creating every missing level on the way.
// Paths of more than 255 characters are refused unless they exist already.
bool EnsureDirectory(const char* path);

}  // namespace vantel
