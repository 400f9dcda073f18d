#pragma once
// Builds BMP files for the JPEG converter's tests and benchmark: the photo decoder's
// 102 x 126 bitmap and variations of every header field.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace testsupport {

struct Rgb {
  std::uint8_t r, g, b;
};

struct BmpSpec {
  std::int32_t width = 102;
  std::int32_t height = 126;        // positive: rows bottom-up in the file
  std::uint32_t infoHeaderSize = 40;  // 12 (OS/2), 40 or 64; other values are written as asked
  std::uint16_t planes = 1;
  std::uint16_t bitsPerPixel = 24;  // 8, 24 or 32 give pixel data; others only a header
  std::uint32_t compression = 0;
  std::int32_t xPixelsPerMetre = 0;
  std::int32_t yPixelsPerMetre = 0;
  std::uint32_t colorsUsed = 0;     // the field's value
  // 8 bits: the colour table written (its size need not agree with colorsUsed).
  std::vector<Rgb> palette;
  // 8 bits: the index of pixel (x, y), y = 0 the top row.
  std::function<std::uint8_t(int x, int y)> index;
  // 24 and 32 bits: the colour of pixel (x, y), y = 0 the top row.
  std::function<Rgb(int x, int y)> color;
  // When set, written as the pixel data offset instead of the true one.
  bool overridePixelOffset = false;
  std::uint32_t pixelOffset = 0;
  std::uint8_t paddingByte = 0;     // the bytes that pad each row to a multiple of 4
};

// The whole file. Rows go bottom row first, each padded to a multiple of 4 bytes.
std::vector<std::uint8_t> BuildBmp(const BmpSpec& spec);

// The pixel pattern of the decoder-shaped test photo: smooth gradients with a darker oval,
// as a face photo has.
Rgb PhotoPattern(int x, int y);

// The photo decoder's bitmap: 102 x 126, 40-byte header, 24 bits, bottom-up,
// 308-byte rows, 38,862 bytes, every other field 0, pixels of PhotoPattern.
std::vector<std::uint8_t> BuildDecoderBitmap();

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// Empty when the file cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

}  // namespace testsupport
