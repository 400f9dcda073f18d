// The decoder's whole output pinned down: the BMP images of photos from the test encoder
// over a table of settings (levels, region, grey or colour, fill flag, lossy or not, damaged
// bytes), each compared by its digest with what the decoder gave before its speed work, so
// that a faster stage cannot change a single byte unnoticed.
// The encoder draws and converts its pictures in integers alone, so the photos are the same
// bytes in every build, and the 32-bit decoder is held to the same digests as the 64-bit one.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "library/cards/photo/wlt_decoder.h"
#include "photo_test_helpers.h"

namespace vantel::photo {
namespace {

using namespace testing_helpers;
namespace enc = vantel_test::photo;

enum class Source {
  kPortrait,        // the synthetic portrait, colour, coded into the full 1014 bytes
  kPortraitRegion,  // the same inside its traced head-and-shoulders outline
  kGradient,        // a colour gradient inside an ellipse
  kSparse,          // seeded sparse coefficients inside a few squares (PhotoSpec)
};

struct PinnedPhoto {
  Source source;
  int levels;
  int components;  // kSparse only
  int fillFlag;    // kSparse only
  bool lossy;      // kSparse only
  int damaged;     // stream bytes changed after the photo is built (seeded)
  std::uint64_t digest;
};

// 64-bit FNV-1a over the result and the whole bitmap buffer.
std::uint64_t Digest(int result, const std::vector<std::uint8_t>& bitmap) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  auto mix = [&h](std::uint8_t b) { h = (h ^ b) * 0x100000001b3ull; };
  for (int i = 0; i < 4; ++i) mix(static_cast<std::uint8_t>(static_cast<std::uint32_t>(result) >> (8 * i)));
  for (std::uint8_t b : bitmap) mix(b);
  return h;
}

std::vector<std::uint8_t> Gradient() {
  std::vector<std::uint8_t> rgb(kImagePixels * 3);
  for (int r = 0; r < kImageHeight; ++r)
    for (int c = 0; c < kImageWidth; ++c)
      for (int k = 0; k < 3; ++k) rgb[3 * (r * kImageWidth + c) + k] = static_cast<std::uint8_t>((2 * r + (k + 1) * c) & 255);
  return rgb;
}

std::vector<std::uint8_t> Ellipse() {
  std::vector<std::uint8_t> mask(kImagePixels, 0);
  for (int r = 0; r < kImageHeight; ++r)
    for (int c = 0; c < kImageWidth; ++c) {
      const int y = r - 70, x = c - 45;  // in integers: the same pixels in every build
      mask[r * kImageWidth + c] = x * x * 40 * 40 + y * y * 30 * 30 <= 40 * 40 * 30 * 30 ? 1 : 0;
    }
  return mask;
}

std::array<std::uint8_t, 1024> SparsePhoto(const PinnedPhoto& row, std::mt19937& rng) {
  enc::PhotoSpec spec;
  spec.levels = row.levels;
  spec.components = row.components;
  spec.regionMode = 1;
  spec.region.fillFlag = row.fillFlag;
  spec.region.chains = {Square(10, 8, 30), Square(60, 50, 40), Square(100, 5, 12)};
  spec.lossy = row.lossy;
  const enc::Geometry g = enc::Geometry::ForLevels(row.levels);
  // A lossless photo must fit the 1014 bytes: fewer and smaller coefficients.
  const int percent = row.lossy ? 6 : 1;
  std::uniform_int_distribution<int> pick(0, 99), magnitude(1, row.lossy ? 600 : 40);
  for (auto& plane : spec.coefficients) {
    plane.assign(g.size(), 0);
    for (auto& v : plane) v = pick(rng) < percent ? (pick(rng) < 50 ? -1 : 1) * magnitude(rng) : 0;
    for (int r = 0; r < (g.paddedHeight >> row.levels); ++r)
      for (int c = 0; c < (g.paddedWidth >> row.levels); ++c) plane[r * g.paddedWidth + c] = 100 + pick(rng);
  }
  return enc::BuildPhoto(spec).bytes;
}

std::array<std::uint8_t, 1024> MakePhoto(const PinnedPhoto& row) {
  std::mt19937 rng(static_cast<std::uint32_t>(row.levels * 100 + row.damaged));
  const std::uint8_t background[3] = {10, 200, 77};
  std::array<std::uint8_t, 1024> photo{};
  if (row.source == Source::kSparse) {
    photo = SparsePhoto(row, rng);
  } else if (row.source == Source::kGradient) {
    const auto region = Ellipse();
    photo = enc::EncodeRgbPhoto(Gradient(), &region, row.levels, background).bytes;
  } else {
    const auto region = enc::SyntheticPortraitRegion();
    const bool withRegion = row.source == Source::kPortraitRegion;
    photo = enc::EncodeRgbPhoto(enc::SyntheticPortrait(), withRegion ? &region : nullptr, row.levels, background).bytes;
  }
  std::uniform_int_distribution<int> where(11, 1023), byte(0, 255);
  for (int i = 0; i < row.damaged; ++i) photo[where(rng)] = static_cast<std::uint8_t>(byte(rng));
  return photo;
}

TEST(WltToBitmap, GivesTheSameBytesAsBeforeForEveryPinnedPhoto) {
  const PinnedPhoto rows[] = {
      {Source::kPortrait, 0, 3, 0, true, 0, 0x8daf1c71fd7f4385ull},
      {Source::kPortrait, 1, 3, 0, true, 0, 0x82889afb304f0991ull},
      {Source::kPortrait, 3, 3, 0, true, 0, 0xd18e67bc0d810f55ull},
      {Source::kPortrait, 8, 3, 0, true, 0, 0x0e3fd1cc62f3cd88ull},
      {Source::kPortraitRegion, 2, 3, 0, true, 0, 0x51d8251de0c99f95ull},
      {Source::kPortraitRegion, 5, 3, 0, true, 0, 0x976792903d6b36ddull},
      {Source::kPortraitRegion, 7, 3, 0, true, 0, 0x30b86bff093818eeull},
      {Source::kGradient, 1, 3, 0, true, 0, 0x1bf30af9815dd9ceull},
      {Source::kGradient, 4, 3, 0, true, 0, 0xb6cea0b3456989d0ull},
      {Source::kGradient, 6, 3, 0, true, 0, 0xaa1992fc5522855bull},
      {Source::kSparse, 0, 1, 0, true, 0, 0x279db6763b59db99ull},
      {Source::kSparse, 4, 1, 0, false, 0, 0xf31546d73c3ec6c0ull},
      {Source::kSparse, 5, 3, 1, false, 0, 0xa4b35968e84922a2ull},
      {Source::kSparse, 3, 1, 0, true, 0, 0xe53e55839f854cc0ull},
      {Source::kSparse, 4, 3, 0, true, 0, 0x93c300808dc1a798ull},
      {Source::kSparse, 5, 3, 1, true, 0, 0xe769ba1d4daa9e0eull},
      {Source::kSparse, 8, 3, 0, true, 0, 0x6590721c6a169740ull},
      {Source::kPortraitRegion, 5, 3, 0, true, 3, 0x973976f6ba69c690ull},
      {Source::kPortrait, 3, 3, 0, true, 5, 0xe2be7b8de1aff960ull},
      {Source::kSparse, 4, 3, 1, true, 2, 0x11f73141b48d815ull},
  };
  for (const PinnedPhoto& row : rows) {
    const auto photo = MakePhoto(row);
    std::vector<std::uint8_t> bitmap(kWltBitmapSize, 0xCD);
    int length = 0;
    const int result = WltToBitmap(photo.data(), bitmap.data(), &length);
    EXPECT_EQ(Digest(result, bitmap), row.digest)
        << "source " << static_cast<int>(row.source) << ", levels " << row.levels << ", damaged "
        << row.damaged << ": result " << result << ", digest 0x" << std::hex << Digest(result, bitmap);
  }
}

}  // namespace
}  // namespace vantel::photo
