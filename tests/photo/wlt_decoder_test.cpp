// End to end: WltToPixels and WltToBitmap on photos built by the test
// encoder, the container's checks, and the failure values for malformed photos.
#include "library/cards/photo/wlt_decoder.h"

#include <gtest/gtest.h>

#include <thread>

#include "library/cards/photo/photo_reconstruct.h"
#include "photo_test_helpers.h"

namespace vantel::photo {
namespace {

using namespace testing_helpers;
namespace enc = vantel_test::photo;

std::vector<std::uint8_t> Pixels(const std::array<std::uint8_t, 1024>& photo, int* result) {
  std::vector<std::uint8_t> pixels(kWltPixelBlockSize, 0);
  *result = WltToPixels(photo.data(), pixels.data());
  return pixels;
}

std::vector<std::uint8_t> Bitmap(const std::array<std::uint8_t, 1024>& photo, int* result) {
  std::vector<std::uint8_t> bmp(51200, 0xCD);
  int length = -1;
  *result = WltToBitmap(photo.data(), bmp.data(), &length);
  if (*result == 1) {
    EXPECT_EQ(length, 38862);
  }
  return bmp;
}

// A small colour photo with a region and a few coefficients: decodes fully.
enc::BuiltPhoto SmallColourPhoto() {
  enc::PhotoSpec spec;
  spec.levels = 1;
  spec.regionMode = 1;
  spec.region.background[0] = 250;
  spec.region.background[1] = 240;
  spec.region.background[2] = 230;
  spec.region.chains = {Square(40, 20, 1)};  // the 2 x 2 block at rows 40-41, columns 20-21
  const enc::Geometry g = enc::Geometry::ForLevels(1);
  const auto region = enc::ReferenceRegionMask(spec.region.chains);
  std::vector<std::int32_t> y(g.size(), 0), cb(g.size(), 0), cr(g.size(), 0);
  const int values[4] = {200, 13, 77, 140};
  for (int i = 0; i < 4; ++i) {
    const int at = (40 + i / 2) * g.paddedWidth + 20 + i % 2;
    y[at] = values[i];
    cb[at] = 128;
    cr[at] = 160;
  }
  spec.coefficients[0] = enc::ForwardShapeTransform(g, region, y);
  spec.coefficients[1] = enc::ForwardShapeTransform(g, region, cb);
  spec.coefficients[2] = enc::ForwardShapeTransform(g, region, cr);
  return enc::BuildPhoto(spec);
}

TEST(WltToPixels, AKnownCoefficientSetReconstructsToTheExpectedPixels) {
  const enc::BuiltPhoto photo = SmallColourPhoto();
  int result = 0;
  const auto pixels = Pixels(photo.bytes, &result);
  ASSERT_EQ(result, 1);
  const int values[4] = {200, 13, 77, 140};
  for (int i = 0; i < 4; ++i) {
    std::uint8_t rgb[3];
    YccToRgb(values[i], 128, 160, rgb);
    const std::uint8_t* p = &pixels[3 * ((40 + i / 2) * kImageWidth + 20 + i % 2)];
    EXPECT_EQ(p[0], rgb[0]);
    EXPECT_EQ(p[1], rgb[1]);
    EXPECT_EQ(p[2], rgb[2]);
  }
  // Far outside: the background; next to the block: smoothed.
  const std::uint8_t* far = &pixels[3 * (5 * kImageWidth + 5)];
  EXPECT_EQ(far[0], 250);
  EXPECT_EQ(far[1], 240);
  EXPECT_EQ(far[2], 230);
  const std::uint8_t* corner = &pixels[3 * (39 * kImageWidth + 19)];
  std::uint8_t inside[3];
  YccToRgb(200, 128, 160, inside);
  EXPECT_EQ(corner[0], (8 * 250 + inside[0]) / 9);
}

TEST(WltToPixels, OnlyBytesZeroOneTwoAndSixAreChecked) {
  const enc::BuiltPhoto photo = SmallColourPhoto();
  int result = 0;
  const auto reference = Bitmap(photo.bytes, &result);
  ASSERT_EQ(result, 1);
  auto changed = photo.bytes;
  for (int i : {3, 4, 5, 7, 8, 9}) changed[i] = static_cast<std::uint8_t>(0xA0 + i);
  EXPECT_EQ(Bitmap(changed, &result), reference);
  EXPECT_EQ(result, 1);
  for (int i : {0, 1, 2, 6}) {
    auto wrong = photo.bytes;
    wrong[i] ^= 0x20;
    std::vector<std::uint8_t> bmp(51200, 0xCD);
    int length = -1;
    EXPECT_EQ(WltToBitmap(wrong.data(), bmp.data(), &length), -4) << i;
    EXPECT_EQ(length, -1);  // not set
    EXPECT_EQ(bmp, std::vector<std::uint8_t>(51200, 0xCD));  // nothing written
    std::vector<std::uint8_t> pixels(kWltPixelBlockSize, 0);
    EXPECT_EQ(WltToPixels(wrong.data(), pixels.data()), -4);
  }
}

TEST(ReadWltHeader, SplitsLevelsRegionModeAndComponents) {
  WltDecodeContext a;
  ReadWltHeader(0x43, &a);
  EXPECT_EQ(a.levels, 3);
  EXPECT_EQ(a.regionMode, 0);
  EXPECT_EQ(a.components, 1);
  EXPECT_EQ(a.paddedWidth, 104);
  EXPECT_EQ(a.paddedHeight, 128);
  WltDecodeContext b;
  ReadWltHeader(0xD5, &b);
  EXPECT_EQ(b.levels, 5);
  EXPECT_EQ(b.regionMode, 1);
  EXPECT_EQ(b.components, 3);
  EXPECT_EQ(b.paddedWidth, 128);
  EXPECT_EQ(b.paddedHeight, 128);
  WltDecodeContext c;
  ReadWltHeader(0xC0, &c);
  EXPECT_EQ(c.paddedWidth, 102);
  EXPECT_EQ(c.paddedHeight, 126);
}

TEST(SegmentSizes, FollowThePartsTruncatingArithmetic) {
  const auto s = ComputeSegmentSizes(1004);  // B = 1000
  EXPECT_EQ(s.s[0], 860);
  EXPECT_EQ(s.s[1], 90);
  EXPECT_EQ(s.s[2], 80);
  const auto z = ComputeSegmentSizes(0);  // B = -4: truncation toward zero
  EXPECT_EQ(z.s[0], 7);
  EXPECT_EQ(z.s[1], 10);
  EXPECT_EQ(z.s[2], 9);
  for (std::uint32_t t : {4u, 50u, 333u, 999u, 1013u}) {
    const auto v = ComputeSegmentSizes(t);
    EXPECT_EQ(v.s[0] + v.s[1] + v.s[2], static_cast<std::int32_t>(t) - 4 + 30);
    const auto w = enc::SegmentSizesFor(t);
    EXPECT_EQ(v.s[0], w[0]);
    EXPECT_EQ(v.s[1], w[1]);
    EXPECT_EQ(v.s[2], w[2]);
  }
}

std::array<std::uint8_t, 1024> WithStream(const std::vector<std::uint8_t>& stream) {
  return enc::PhotoFromStream(stream);
}

TEST(WltToBitmap, MalformedPhotosFailWithTheirOwnValuesAndWriteNothing) {
  const enc::BuiltPhoto good = SmallColourPhoto();
  std::vector<std::uint8_t> stream(1014);
  for (int i = 0; i < 1014; ++i) stream[i] = good.bytes[10 + i] ^ 0x51;
  auto expect = [](const std::vector<std::uint8_t>& s, int value, const char* what) {
    const auto photo = WithStream(s);
    std::vector<std::uint8_t> bmp(51200, 0xCD);
    int length = -1;
    EXPECT_EQ(WltToBitmap(photo.data(), bmp.data(), &length), value) << what;
    EXPECT_EQ(length, -1) << what;
    EXPECT_EQ(bmp, std::vector<std::uint8_t>(51200, 0xCD)) << what;
  };
  for (int components : {0, 2}) {
    auto s = stream;
    s[0] = static_cast<std::uint8_t>((s[0] & 0x3F) | (components << 6));
    expect(s, kWltBadComponents, "component count");
  }
  for (int levels : {9, 12, 15}) {
    auto s = stream;
    s[0] = static_cast<std::uint8_t>((s[0] & 0xF0) | levels);
    expect(s, kWltTooManyLevels, "levels");
  }
  {
    auto s = stream;
    s[5] = 0x6E;  // the region segment's marker
    expect(s, kWltNoMarker, "region marker");
  }
  {
    auto s = stream;
    s[1] = 0xF0;  // N = 1008 + ...: past the stream
    s[2] = 0x03;
    expect(s, kWltPastStream, "region length");
  }
  const int afterRegion = 5 + (stream[1] | stream[2] << 8);
  {
    auto s = stream;
    s[afterRegion] = 0xB0;  // T = 1200: the first segment alone reaches past byte 1014
    s[afterRegion + 1] = 0x04;
    s[afterRegion + 2] = 0;
    s[afterRegion + 3] = 0;
    expect(s, kWltPastStream, "coefficient total");
  }
  {
    auto s = stream;
    s[good.segmentStart[1]] = 0x00;
    expect(s, kWltNoMarker, "component marker");
  }
  enc::PhotoSpec many;
  many.levels = 1;
  many.regionMode = 2;
  for (int k = 0; k < 11; ++k) many.region.chains.push_back(Square(k * 10, 0, 2));
  const auto tooMany = enc::BuildPhoto(many);
  std::vector<std::uint8_t> bmp(51200, 0xCD);
  int length = -1;
  EXPECT_EQ(WltToBitmap(tooMany.bytes.data(), bmp.data(), &length), kWltBadRegion);
}

TEST(WltToBitmap, ARegionPastTheStreamEndIsRefusedEvenWhenItsFirstBytesLookRight) {
  std::vector<std::uint8_t> s = {0xD3, 0xFF, 0x03, 0, 0, 0x6F};  // N = 1023
  const auto photo = WithStream(s);
  std::vector<std::uint8_t> bmp(51200, 0);
  int length = 0;
  EXPECT_EQ(WltToBitmap(photo.data(), bmp.data(), &length), kWltPastStream);
}

TEST(WltToPixels, AGreyPhotoRepeatsEachValueAsRgbWithoutFill) {
  enc::PhotoSpec spec;
  spec.levels = 0;
  spec.components = 1;
  const enc::Geometry g = enc::Geometry::ForLevels(0);
  std::vector<std::int32_t> plane(g.size(), 0);
  plane[0] = 255;
  plane[5 * g.paddedWidth + 7] = 300;  // clamped
  plane[125 * g.paddedWidth + 101] = 99;
  plane[60 * g.paddedWidth + 50] = -20;  // clamped to 0
  spec.coefficients[0] = plane;
  const auto photo = enc::BuildPhoto(spec);
  EXPECT_EQ(photo.bytes[10] ^ 0x51, 0x40);  // header: L 0, mode 0, 1 component
  int result = 0;
  const auto pixels = Pixels(photo.bytes, &result);
  ASSERT_EQ(result, 1);
  auto grey = [&](int r, int c) {
    const std::uint8_t* p = &pixels[3 * (r * kImageWidth + c)];
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
    return p[0];
  };
  EXPECT_EQ(grey(0, 0), 255);
  EXPECT_EQ(grey(5, 7), 255);
  EXPECT_EQ(grey(125, 101), 99);
  EXPECT_EQ(grey(60, 50), 0);
  EXPECT_EQ(grey(1, 1), 0);
}

TEST(WltToPixels, AGreyPhotoWithARegionLeavesOutsidePixelsBlack) {
  // The isolated pixel in an odd column: moved at level 1, coded, and put back.
  enc::PhotoSpec spec;
  spec.levels = 1;
  spec.components = 1;
  spec.regionMode = 1;
  spec.region.fillFlag = 1;  // grey photos ignore the fill
  enc::ChainSpec point;
  point.startRow = 10;
  point.startColumn = 21;
  spec.region.chains = {point};
  const enc::Geometry g = enc::Geometry::ForLevels(1);
  std::vector<std::int32_t> plane(g.size(), 0);
  plane[5 * g.paddedWidth + 10] = 200;
  spec.coefficients[0] = plane;
  const auto photo = enc::BuildPhoto(spec);
  int result = 0;
  const auto pixels = Pixels(photo.bytes, &result);
  ASSERT_EQ(result, 1);
  for (int i = 0; i < kImagePixels; ++i) {
    const std::uint8_t v = i == 10 * kImageWidth + 21 ? 100 : 0;
    ASSERT_EQ(pixels[3 * i], v) << i;
    ASSERT_EQ(pixels[3 * i + 2], v) << i;
  }
}

TEST(WltToPixels, FillFlagOneGivesMidGreyOutsideTheRegion) {
  enc::PhotoSpec spec;
  spec.levels = 2;
  spec.regionMode = 3;
  spec.region.fillFlag = 1;
  spec.region.chains = {Square(60, 40, 9)};
  const auto photo = enc::BuildPhoto(spec);
  int result = 0;
  const auto pixels = Pixels(photo.bytes, &result);
  ASSERT_EQ(result, 1);
  for (int c = 0; c < 3; ++c) EXPECT_EQ(pixels[3 * (3 * kImageWidth + 3) + c], kFillFlagOneGrey);
}

TEST(WltToPixels, ABudgetCutInTheFirstComponentLeavesTheOthersIntact) {
  enc::PhotoSpec spec;
  spec.levels = 3;
  const enc::Geometry g = enc::Geometry::ForLevels(3);
  std::vector<std::int32_t> busy(g.size(), 0);
  for (int i = 0; i < g.size(); ++i) busy[i] = ((i * 2654435761u) >> 20) % 61 - 30;
  spec.coefficients[0] = busy;
  spec.coefficients[1] = std::vector<std::int32_t>(g.size(), 0);
  spec.coefficients[2] = std::vector<std::int32_t>(g.size(), 0);
  spec.coefficients[1][0] = 40 * 8;  // a flat Cb offset through the lowest band
  spec.lossy = true;
  const auto photo = enc::BuildPhoto(spec);
  EXPECT_FALSE(photo.encoded[0].complete);
  EXPECT_TRUE(photo.encoded[1].complete);
  EXPECT_TRUE(photo.encoded[2].complete);
  int result = 0;
  Pixels(photo.bytes, &result);
  EXPECT_EQ(result, 1);
}

// Whether the peak signal-to-noise ratio inside the region is above 24 dB, judged in integers
// (the same in every build): the mean squared error under 255^2 / 10^2.4 = 259.06.
bool PsnrAbove24Db(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b,
                   const std::vector<std::uint8_t>& region) {
  long long sum = 0, samples = 0;
  for (int i = 0; i < kImagePixels; ++i) {
    if (!region[i]) continue;
    for (int c = 0; c < 3; ++c) {
      const int d = a[3 * i + c] - b[3 * i + c];
      sum += d * d;
      ++samples;
    }
  }
  return sum < 259 * samples;
}

TEST(WltToPixels, ARealisticPortraitDecodesCloseToItsSource) {
  const auto rgb = enc::SyntheticPortrait();
  const auto region = enc::SyntheticPortraitRegion();
  const std::uint8_t white[3] = {255, 255, 255};
  for (int levels : {3, 4, 5}) {
    const auto photo = enc::EncodeRgbPhoto(rgb, &region, levels, white);
    int result = 0;
    const auto pixels = Pixels(photo.bytes, &result);
    ASSERT_EQ(result, 1);
    EXPECT_TRUE(PsnrAbove24Db(pixels, rgb, region)) << "levels " << levels;
    // Outside the region and away from it: the white background.
    EXPECT_EQ(pixels[3 * (2 * kImageWidth + 2)], 255);
  }
}

TEST(WltToPixels, DecodesConcurrentlyWithTheSameResults) {
  const auto rgb = enc::SyntheticPortrait();
  const auto region = enc::SyntheticPortraitRegion();
  const std::uint8_t white[3] = {255, 255, 255};
  std::vector<std::array<std::uint8_t, 1024>> photos = {
      enc::EncodeRgbPhoto(rgb, &region, 5, white).bytes, enc::EncodeRgbPhoto(rgb, nullptr, 3, white).bytes,
      SmallColourPhoto().bytes};
  std::vector<std::vector<std::uint8_t>> expected;
  for (const auto& p : photos) {
    int result = 0;
    expected.push_back(Pixels(p, &result));
    ASSERT_EQ(result, 1);
  }
  std::vector<std::thread> threads;
  std::vector<int> mismatches(6, 0);
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        const int k = (t + round) % 3;
        int result = 0;
        if (Pixels(photos[k], &result) != expected[k] || result != 1) ++mismatches[t];
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(mismatches, std::vector<int>(6, 0));
}

}  // namespace
}  // namespace vantel::photo
