#pragma once
// What the JPEG tests share: a scratch folder per test, decoding a JPEG back with the same
// JPEG library, and reading its markers.
#include <cstdint>
#include <string>
#include <vector>

namespace jpegtest {

// A fresh folder under the temporary folder, removed with everything in it at the end.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string Path(const std::string& name) const;
  const std::string& folder() const { return folder_; }

 private:
  std::string folder_;
};

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

std::vector<std::uint8_t> Base64Decode(const std::string& text);

}  // namespace jpegtest
