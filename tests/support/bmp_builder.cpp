#include "support/bmp_builder.h"

#include <fstream>
#include <iterator>

namespace testsupport {
namespace {

void Put2(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.push_back(static_cast<std::uint8_t>(value));
  out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put4(std::vector<std::uint8_t>& out, std::uint32_t value) {
  Put2(out, value & 0xFFFF);
  Put2(out, value >> 16);
}

void Set4(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<std::uint8_t> BuildBmp(const BmpSpec& spec) {
  std::vector<std::uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put4(out, 0);  // file size, set below
  Put4(out, 0);
  Put4(out, 0);  // pixel data offset, set below

  Put4(out, spec.infoHeaderSize);
  if (spec.infoHeaderSize == 12) {
    Put2(out, static_cast<std::uint32_t>(spec.width) & 0xFFFF);
    Put2(out, static_cast<std::uint32_t>(spec.height) & 0xFFFF);
    Put2(out, spec.planes);
    Put2(out, spec.bitsPerPixel);
  } else {
    Put4(out, static_cast<std::uint32_t>(spec.width));
    Put4(out, static_cast<std::uint32_t>(spec.height));
    Put2(out, spec.planes);
    Put2(out, spec.bitsPerPixel);
    Put4(out, spec.compression);
    Put4(out, 0);  // image size
    Put4(out, static_cast<std::uint32_t>(spec.xPixelsPerMetre));
    Put4(out, static_cast<std::uint32_t>(spec.yPixelsPerMetre));
    Put4(out, spec.colorsUsed);
    Put4(out, 0);  // colours important
    while (out.size() < 14 + static_cast<std::size_t>(spec.infoHeaderSize)) out.push_back(0);
  }

  const bool os2 = spec.infoHeaderSize == 12;
  for (const Rgb& entry : spec.palette) {
    out.push_back(entry.b);
    out.push_back(entry.g);
    out.push_back(entry.r);
    if (!os2) out.push_back(0);
  }
  Set4(out, 10, spec.overridePixelOffset ? spec.pixelOffset
                                         : static_cast<std::uint32_t>(out.size()));

  const int pixelBytes = spec.bitsPerPixel / 8;
  const bool hasPixels = spec.bitsPerPixel == 8 || spec.bitsPerPixel == 24 ||
                         spec.bitsPerPixel == 32;
  const int rows = spec.height < 0 ? -spec.height : spec.height;
  if (hasPixels && spec.width > 0) {
    const std::size_t rowBytes = (static_cast<std::size_t>(spec.width) * pixelBytes + 3) & ~3u;
    for (int fileRow = 0; fileRow < rows; ++fileRow) {
      // Bottom-up unless the height is negative.
      const int y = spec.height > 0 ? rows - 1 - fileRow : fileRow;
      const std::size_t start = out.size();
      for (int x = 0; x < spec.width; ++x) {
        if (spec.bitsPerPixel == 8) {
          out.push_back(spec.index ? spec.index(x, y) : 0);
        } else {
          Rgb c = spec.color ? spec.color(x, y) : Rgb{0, 0, 0};
          out.push_back(c.b);
          out.push_back(c.g);
          out.push_back(c.r);
          if (spec.bitsPerPixel == 32) out.push_back(0xA5);  // ignored by readers
        }
      }
      while (out.size() - start < rowBytes) out.push_back(spec.paddingByte);
    }
  }
  Set4(out, 2, static_cast<std::uint32_t>(out.size()));
  return out;
}

Rgb PhotoPattern(int x, int y) {
  int dx = x - 51;
  int dy = y - 55;
  bool face = dx * dx * 9 + dy * dy * 4 < 36 * 36 * 4;
  int r = 40 + x * 2 - (face ? 20 : 0);
  int g = 60 + y - (face ? 30 : 0);
  int b = 200 - x - y / 2;
  auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
  return {clamp(r), clamp(g), clamp(b)};
}

std::vector<std::uint8_t> BuildDecoderBitmap() {
  BmpSpec spec;
  spec.color = PhotoPattern;
  return BuildBmp(spec);
}

bool WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return {};
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(file),
                                   std::istreambuf_iterator<char>());
}

}  // namespace testsupport
