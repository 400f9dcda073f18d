#include "sibling_doubles.h"

#include <filesystem>

#include "library/cards/card_images.h"
#include "library/cards/simple/simple_reads.h"
#include "library/device/library_setup.h"
#include "platform/module_paths.h"

namespace vantel {
namespace {

void Place(const std::string& variant, const std::string& stem) {
  const std::string name = platform::SharedLibraryFileName(stem);
  const std::filesystem::path target = std::filesystem::path(LibraryFolder()) / name;
  if (variant.empty()) return;
  std::filesystem::copy_file(std::filesystem::path(VANTEL_DOUBLES_DIR) / variant / name, target);
}

// The segment after marker FF `code`, walking the segments up to the scan.
std::string Segment(const std::string& jpeg, unsigned char code) {
  std::size_t at = 2;
  while (at + 4 <= jpeg.size() && static_cast<unsigned char>(jpeg[at]) == 0xFF) {
    const auto marker = static_cast<unsigned char>(jpeg[at + 1]);
    const std::size_t length =
        static_cast<unsigned char>(jpeg[at + 2]) << 8 | static_cast<unsigned char>(jpeg[at + 3]);
    if (marker == code) return jpeg.substr(at + 4, length < 2 ? 0 : length - 2);
    if (marker == 0xDA) break;
    at += 2 + length;
  }
  return "";
}

}  // namespace

void InstallDoubles(const std::string& morvik, const std::string& quellan) {
  // A library once loaded may stay mapped under its path after its release, and a load by
  // that path gives it back: every set of doubles gets a library folder of its own.
  static int installs = 0;
  ReleaseCardImageLibrary();
  const std::filesystem::path folder =
      std::filesystem::path(LibraryFolder()) / ("siblings-" + std::to_string(++installs));
  std::filesystem::create_directories(folder);
  SetUpLibraryIn(folder.string());
  Place(morvik, "Morvik");
  Place(quellan, kCardImageLibraryStem);
  SetUpLibraryIn(folder.string());
}

std::string JpegComment(const std::string& jpeg) { return Segment(jpeg, 0xFE); }

std::string JpegSize(const std::string& jpeg) {
  const std::string frame = Segment(jpeg, 0xC0);
  if (frame.size() < 5) return "";
  auto word = [&](std::size_t at) {
    return static_cast<unsigned char>(frame[at]) << 8 | static_cast<unsigned char>(frame[at + 1]);
  };
  return std::to_string(word(3)) + "x" + std::to_string(word(1));
}

}  // namespace vantel
