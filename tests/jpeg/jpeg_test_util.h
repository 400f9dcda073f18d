#pragma once
// What the JPEG tests share: decoding a JPEG back with the same
// JPEG library, and reading its markers.
#include <cstdint>
#include <string>
#include <vector>

namespace jpegtest {

struct DecodedJpeg {
  bool ok = false;
  std::string error;
  int width = 0;
  int height = 0;
  int components = 0;
  int colorSpace = 0;          // the J_COLOR_SPACE the decoder found
  bool sawJfif = false;
  bool sawAdobe = false;
  int adobeTransform = -1;
  bool progressive = false;
  bool arithmetic = false;
  std::vector<int> componentIds;
  std::vector<int> componentQuantTables;
  std::vector<int> quantTable0;  // natural order, empty when absent
  bool hasQuantTable1 = false;
  std::vector<std::uint8_t> pixels;  // top row first, 3 samples a pixel, as stored (RGB)
};

// Decodes without colour conversion (the stored components come out as they are).
DecodedJpeg DecodeJpeg(const std::vector<std::uint8_t>& bytes);

struct Marker {
  int code;                         // the byte after 0xFF
  std::vector<std::uint8_t> data;   // the segment without its length bytes
};

// The markers from SOI up to and including SOS.
std::vector<Marker> ReadMarkers(const std::vector<std::uint8_t>& bytes);

}  // namespace jpegtest
