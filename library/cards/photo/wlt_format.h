#pragma once
// The photo container: constants, the unscrambled stream, the header byte, the
// coefficient segment sizes, the decode context and the results of a decode.
#include <cstdint>

namespace vantel::photo {

constexpr int kImageWidth = 102;
constexpr int kImageHeight = 126;
constexpr int kImagePixels = kImageWidth * kImageHeight;
constexpr int kPhotoSize = 1024;
constexpr int kStreamOffset = 10;
constexpr int kStreamSize = kPhotoSize - kStreamOffset;  // 1014
constexpr std::uint8_t kStreamXor = 0x51;
constexpr std::uint8_t kSegmentMarker = 0x6F;

// The format's limits and the largest number of
// transform levels whose padded planes still hold in the significance list's 65536-entry
// reordering scratch: 8 levels give 256 x 256 planes.
constexpr int kMaxChains = 10;
constexpr int kMaxDirections = 2000;
constexpr int kMaxLevels = 8;
constexpr int kListScratchEntries = 65536;

// Results. Callers know 1 (decoded) and -4 (not a photo); the other failure values are this
// decoder's choice.
enum WltResult : int {
  kWltOk = 1,
  kWltBadMagic = -4,          // bytes 0, 1, 2 and 6 are not "W", "L", "f", "2"
  kWltBadComponents = -5,     // component count other than 1 or 3
  kWltTooManyLevels = -6,     // more than kMaxLevels transform levels
  kWltPastStream = -7,        // a length points past the 1014-byte stream (or leaves no
                              // room for a segment's marker)
  kWltNoMarker = -8,          // a coded segment does not start with 0x6F
  kWltBadRegion = -9,         // more than 10 chains, 2000 directions, or a chain position
                              // outside the 102 x 126 image
  kWltNoMemory = -10,         // the planes could not be allocated
};

// The 1014 stream bytes (photo bytes 10..1023 XOR 0x51) and the read position. Lives in the
// call that decodes one photo.
struct WltStream {
  std::uint8_t bytes[kStreamSize];
  int position = 0;

  // Unscrambles `photo` (1024 bytes).
  void Load(const std::uint8_t* photo);
  int remaining() const { return kStreamSize - position; }
  // The next `n` bytes in one piece; false (nothing moved) when fewer than n remain or n < 0.
  bool Take(int n, const std::uint8_t** out);
  bool ReadByte(std::uint8_t* out);
  bool ReadUint32(std::uint32_t* out);  // little-endian
};

// Only bytes 0, 1, 2 and 6 are examined.
bool HasWltMagic(const std::uint8_t* photo);

// Decode state of one photo (`WltDecodeContext`); the planes live in
// `PhotoPlanes` (photo_planes.h).
struct WltDecodeContext {
  int width = kImageWidth;
  int height = kImageHeight;
  int levels = 0;
  int regionMode = 0;
  int components = 0;
  int bitsPerSample = 8;
  int paddedWidth = kImageWidth;
  int paddedHeight = kImageHeight;
  int pass = 1;
  int bitPlane = 0;
  int fillFlag = 0;
  std::uint8_t background[3] = {0, 0, 0};
};

// Sets L (bits 0-3), the region mode (bits 4-5), the component count (bits 6-7) and the
// padded size from the header byte.
void ReadWltHeader(std::uint8_t header, WltDecodeContext* context);

// `size` rounded up to a multiple of 2^levels.
int PaddedSize(int size, int levels);

// The three coefficient segment sizes S_0, S_1, S_2 from the coefficient total T, in signed
// 32-bit arithmetic (wrapping as the format's 32-bit integers do) with truncating division.
struct SegmentSizes {
  std::int32_t s[3];
};
SegmentSizes ComputeSegmentSizes(std::uint32_t coefficientTotal);

}  // namespace vantel::photo
