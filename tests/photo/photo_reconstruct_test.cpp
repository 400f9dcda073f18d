// The inverse transform, colour conversion, fill, smoothing and the BMP writer.
#include "library/cards/photo/photo_reconstruct.h"

#include <gtest/gtest.h>

#include <random>

#include "library/cards/photo/photo_region.h"
#include "photo_test_helpers.h"

namespace vantel::photo {
namespace {

using namespace testing_helpers;
namespace enc = vantel_test::photo;
using Line = std::vector<std::int32_t>;

TEST(RoundScale, RoundsHalvesAwayFromZero) {
  EXPECT_EQ(RoundScale(3, 7071), 2);     // 2.1213
  EXPECT_EQ(RoundScale(-3, 7071), -2);
  EXPECT_EQ(RoundScale(3, 5000), 2);     // 1.5
  EXPECT_EQ(RoundScale(-3, 5000), -2);   // -1.5
  EXPECT_EQ(RoundScale(1, 5000), 1);
  EXPECT_EQ(RoundScale(-1, 5000), -1);
  EXPECT_EQ(RoundScale(1, 4999), 0);
  EXPECT_EQ(RoundScale(100, 14142), 141);
  EXPECT_EQ(RoundScale(-20, 14142), -28);
  // The product is formed in 32 bits: 400000 * 14142 wraps.
  EXPECT_EQ(RoundScale(400000, 14142), 136183);  // 5656800000 wraps to 1361832704
  EXPECT_EQ(RoundScale(200000, 14142), -146657);  // 2828400000 wraps to -1466567296
}

TEST(RoundScale, TheDoublePathGivesTheSameValueForEverySampleInItsRange) {
  for (const std::int32_t factor : {7071, 14142}) {
    int differing = 0;
    for (std::int32_t v = -kRoundScaleNearLimit; v < kRoundScaleNearLimit; ++v) {
      differing += RoundScaleNear(v, factor / 10000.0) != RoundScale(v, factor);
    }
    EXPECT_EQ(differing, 0) << "factor " << factor;
  }
}

Line Lift(Line L, Line H, int parity, int m) {
  Line x(static_cast<std::size_t>(m), -999);
  InverseLift53(x.data(), L.data(), H.data(), parity, m);
  return x;
}

TEST(InverseLift53, ARunOfOneSampleIsTheScaledLowSampleAlone) {
  EXPECT_EQ(Lift({3}, {99}, 0, 1), Line({2}));
  EXPECT_EQ(Lift({200}, {99}, 1, 1), Line({141}));
  EXPECT_EQ(Lift({-3}, {0}, 1, 1), Line({-2}));
}

TEST(InverseLift53, ARunOfTwoIsReconstructedWithoutScaling) {
  EXPECT_EQ(Lift({10}, {4}, 0, 2), Line({8, 12}));
  EXPECT_EQ(Lift({10}, {-5}, 0, 2), Line({12, 7}));  // (-5 + 1) >> 1 = -2
  EXPECT_EQ(Lift({10}, {4}, 1, 2), Line({12, 8}));
}

TEST(InverseLift53, LongerRunsAreScaledThenLifted) {
  // Worked by hand from the reconstruction formulas.
  EXPECT_EQ(Lift({100, 50}, {20}, 0, 3), Line({57, 67, 21}));
  EXPECT_EQ(Lift({100}, {20, 30}, 1, 3), Line({81, 53, 95}));
  EXPECT_EQ(Lift({100, 60}, {10, -20}, 0, 4), Line({64, 68, 45, 17}));
  EXPECT_EQ(Lift({100, 60}, {10, -20}, 1, 4), Line({88, 74, 37, 56}));
  EXPECT_EQ(Lift({100, 80, 60}, {10, 20}, 0, 5), Line({64, 69, 46, 65, 28}));
  EXPECT_EQ(Lift({100, 80}, {10, 20, 30}, 1, 5), Line({74, 60, 77, 39, 81}));
  // A sample beyond the double path's range: its product wraps, as in RoundScale.
  EXPECT_EQ(Lift({400000, 50}, {20}, 0, 3), Line({-146671, -73297, 21}));
}

Line InverseOf(Line coefficients, Line mask, int pass, Line* maskOut = nullptr) {
  const int n = static_cast<int>(coefficients.size());
  Line out(n), mout(n);
  InverseLine(coefficients.data(), mask.data(), n, pass, out.data(), mout.data());
  if (maskOut) *maskOut = mask;
  return coefficients;
}

TEST(InverseLine, RebuildsTheMaskAndLiftsEachRun) {
  Line mask;
  // Rebuilt [1 1 1 0 0 0 1 1]: a run of 3 at 0 and a run of 2 at 6.
  EXPECT_EQ(InverseOf({100, 50, 999, 10, 20, 999, 999, 4}, {1, 1, 0, 1, 1, 0, 0, 1}, 1, &mask),
            Line({57, 67, 21, 0, 0, 0, 8, 12}));
  EXPECT_EQ(mask, Line({1, 1, 1, 0, 0, 0, 1, 1}));
  // Rebuilt [0 1 1 1 1 0 0 0]: a run of 4 starting at an odd position.
  EXPECT_EQ(InverseOf({999, 100, 60, 999, 10, -20, 999, 999}, {0, 1, 1, 0, 1, 1, 0, 0}, 1),
            Line({0, 88, 74, 37, 56, 0, 0, 0}));
}

TEST(InverseLine, PutsMovedSamplesBack) {
  Line mask;
  EXPECT_EQ(InverseOf({100, 0, 55, 0}, {1, 0, 128, 0}, 1, &mask), Line({0, 71, 0, 0}));
  EXPECT_EQ(mask, Line({0, 1, 0, 0}));
  EXPECT_EQ(InverseOf({100, 0, 55, 0}, {1, 0, 129, 0}, 2, &mask), Line({0, 71, 0, 0}));
  EXPECT_EQ(mask, Line({0, 1, 0, 0}));
  EXPECT_EQ(InverseOf({100, 0, 55, 0}, {1, 0, 130, 0}, 2, &mask), Line({0, 71, 0, 0}));
  EXPECT_EQ(mask, Line({128, 1, 0, 0}));
  // 128 is a column marker only for the row pass; 129 and 130 only for the column pass.
  EXPECT_EQ(InverseOf({100, 0, 55, 0}, {1, 0, 128, 0}, 2, &mask), Line({71, 0, 0, 0}));
  EXPECT_EQ(mask, Line({1, 128, 0, 0}));
}

struct Stage : MaskedPlanes {
  using MaskedPlanes::MaskedPlanes;
  std::vector<std::uint8_t> Inverse(const std::vector<std::int32_t>& coefficients) {
    planes.coefficients = coefficients;
    std::vector<std::uint8_t> out(kImagePixels);
    InverseShapeTransform(context, planes, out.data());
    return out;
  }
};

TEST(InverseShapeTransform, ClampsToByteValuesAndZeroesUncodedPositions) {
  Stage s(0, Rectangle(0, 0, 0, 2));
  std::vector<std::int32_t> c(s.g.size(), 0);
  c[0] = -5;
  c[1] = 300;
  c[2] = 128;
  c[3] = 77;  // outside the region: set to 0 before the inverse
  const auto out = s.Inverse(c);
  EXPECT_EQ(out[0], 0);
  EXPECT_EQ(out[1], 255);
  EXPECT_EQ(out[2], 128);
  EXPECT_EQ(out[3], 0);
}

TEST(InverseShapeTransform, ExactlyInvertsRunsOfTwo) {
  // 2 x 2 blocks at even and at odd positions: every run has two samples, so the
  // forward lifting of the test encoder is inverted exactly.
  for (int column : {20, 21}) {
    auto region = Rectangle(40, column, 41, column + 1);
    Stage s(1, region);
    std::vector<std::int32_t> samples(s.g.size(), 0);
    const int values[4] = {200, 13, 77, 140};
    for (int i = 0; i < 4; ++i) samples[(40 + i / 2) * s.g.paddedWidth + column + i % 2] = values[i];
    const auto out = s.Inverse(enc::ForwardShapeTransform(s.g, region, samples));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(out[(40 + i / 2) * kImageWidth + column + i % 2], values[i]);
  }
}

TEST(InverseShapeTransform, AnIsolatedOddPixelComesBackThroughBothScalings) {
  Stage s(1, Mask({{10, 21}}));
  std::vector<std::int32_t> c(s.g.size(), 0);
  c[5 * s.g.paddedWidth + 10] = 200;
  const auto out = s.Inverse(c);
  EXPECT_EQ(out[10 * kImageWidth + 21], 100);  // R(R(200, 7071), 7071) = R(141, 7071)
  int lit = 0;
  for (std::uint8_t v : out) lit += v != 0;
  EXPECT_EQ(lit, 1);
}

TEST(InverseShapeTransform, InvertsTheForwardTransformUpToTheScalingsRounding) {
  std::mt19937 rng(4);
  const auto portrait = enc::SyntheticPortraitRegion();
  for (int levels : {1, 3, 5}) {
    Stage s(levels, portrait);
    std::vector<std::int32_t> samples(s.g.size(), 0);
    for (int r = 0; r < kImageHeight; ++r)
      for (int c = 0; c < kImageWidth; ++c)
        samples[r * s.g.paddedWidth + c] = 60 + (r * 3 + c) % 120 + static_cast<int>(rng() % 9);
    const auto out = s.Inverse(enc::ForwardShapeTransform(s.g, portrait, samples));
    int worst = 0;
    int total = 0;
    int count = 0;
    for (int r = 0; r < kImageHeight; ++r) {
      for (int c = 0; c < kImageWidth; ++c) {
        if (!portrait[r * kImageWidth + c]) {
          EXPECT_EQ(out[r * kImageWidth + c], 0);
          continue;
        }
        const int e = std::abs(out[r * kImageWidth + c] - samples[r * s.g.paddedWidth + c]);
        worst = std::max(worst, e);
        total += e;
        ++count;
      }
    }
    EXPECT_LE(worst, 4) << "levels " << levels;
    EXPECT_LT(total, count) << "levels " << levels;  // a mean error under 1
  }
}

TEST(YccToRgb, UsesTheFormatsIntegerConstantsAndClamps) {
  std::uint8_t rgb[3];
  YccToRgb(100, 128, 128, rgb);
  EXPECT_EQ(rgb[0], 100);
  EXPECT_EQ(rgb[1], 100);
  EXPECT_EQ(rgb[2], 100);
  YccToRgb(100, 150, 90, rgb);
  // R = 100 + (-38 * 1402) / 1000 = 100 - 53; G = 100 + (22 * -344) / 1000 - (-38 * 714) / 1000
  // = 100 - 7 + 27; B = 100 + (22 * 1772) / 1000 = 100 + 38.
  EXPECT_EQ(rgb[0], 47);
  EXPECT_EQ(rgb[1], 120);
  EXPECT_EQ(rgb[2], 138);
  YccToRgb(250, 255, 255, rgb);
  EXPECT_EQ(rgb[0], 255);
  EXPECT_EQ(rgb[2], 255);
  YccToRgb(5, 0, 0, rgb);
  EXPECT_EQ(rgb[0], 0);
  EXPECT_EQ(rgb[1], 5 + (-128 * -344) / 1000 - (-128 * 714) / 1000);
  EXPECT_EQ(rgb[2], 0);
}

struct Composed {
  std::vector<std::uint8_t> pixels;
  const std::uint8_t* at(int r, int c) const { return &pixels[3 * (r * kImageWidth + c)]; }
};

Composed Compose(int components, int fillFlag, const std::vector<std::uint8_t>& region, std::uint8_t y,
                 const std::uint8_t background[3]) {
  WltDecodeContext context = ContextFor(0, 1, components);
  context.fillFlag = fillFlag;
  std::copy(background, background + 3, context.background);
  PhotoPlanes planes;
  planes.Allocate(context.paddedWidth, context.paddedHeight);
  planes.regionMask = region;
  std::fill(planes.componentBytes[0].begin(), planes.componentBytes[0].end(), y);
  std::fill(planes.componentBytes[1].begin(), planes.componentBytes[1].end(), 128);
  std::fill(planes.componentBytes[2].begin(), planes.componentBytes[2].end(), 128);
  Composed c;
  c.pixels.assign(kPixelBlockSize, 0);
  ComposePixels(context, planes, c.pixels.data());
  return c;
}

TEST(ComposePixels, FillsOutsidePixelsWithTheBackgroundAndSmoothsTheBorder) {
  const std::uint8_t background[3] = {0, 90, 180};
  const Composed c = Compose(3, 0, Rectangle(50, 50, 59, 59), 200, background);
  EXPECT_EQ(c.at(55, 55)[0], 200);  // inside: the converted colour
  EXPECT_EQ(c.at(10, 10)[1], 90);   // far outside: the background
  // (49, 49): the first border pixel the scan meets; its 3 x 3 has one inside pixel.
  EXPECT_EQ(c.at(49, 49)[0], (8 * 0 + 200) / 9);
  EXPECT_EQ(c.at(49, 49)[2], (8 * 180 + 200) / 9);
  // (49, 50) reads the already smoothed (49, 49); (50, 49) is outside, (50, 50) and
  // (50, 51) inside.
  const int left = (8 * 90 + 200) / 9;
  EXPECT_EQ(c.at(49, 50)[1], (left + 6 * 90 + 2 * 200) / 9);
}

TEST(ComposePixels, NeverSmoothsTheOutermostRowsAndColumns) {
  const std::uint8_t background[3] = {10, 20, 30};
  const Composed c = Compose(3, 0, Rectangle(0, 0, 3, 3), 200, background);
  EXPECT_EQ(c.at(0, 4)[0], 10);   // top row, next to the region
  EXPECT_EQ(c.at(4, 0)[0], 10);   // left column
  EXPECT_NE(c.at(1, 4)[0], 10);   // row 1 is smoothed
  const Composed d = Compose(3, 0, Rectangle(120, 96, 125, 101), 200, background);
  EXPECT_EQ(d.at(125, 95)[2], 30);  // bottom row
  EXPECT_EQ(d.at(119, 101)[2], 30); // right column
  EXPECT_NE(d.at(119, 100)[2], 30);
}

TEST(ComposePixels, AWholeImageRegionChangesNoPixel) {
  const std::uint8_t background[3] = {1, 2, 3};
  const Composed c = Compose(3, 0, std::vector<std::uint8_t>(kImagePixels, 1), 77, background);
  for (int i = 0; i < kPixelBlockSize; ++i) ASSERT_EQ(c.pixels[i], 77) << i;
}

TEST(ComposePixels, FillFlagOneFillsMidGrey) {
  const std::uint8_t background[3] = {1, 2, 3};
  const Composed c = Compose(3, 1, Rectangle(50, 50, 59, 59), 200, background);
  EXPECT_EQ(c.at(10, 10)[0], kFillFlagOneGrey);
  EXPECT_EQ(c.at(10, 10)[1], kFillFlagOneGrey);
  EXPECT_EQ(c.at(10, 10)[2], kFillFlagOneGrey);
  EXPECT_EQ(c.at(49, 49)[0], (8 * 128 + 200) / 9);
}

TEST(ComposePixels, AGreyPhotoRepeatsEachValueWithoutFillOrSmoothing) {
  const std::uint8_t background[3] = {1, 2, 3};
  const Composed c = Compose(1, 0, Rectangle(50, 50, 59, 59), 200, background);
  for (int i = 0; i < kPixelBlockSize; ++i) ASSERT_EQ(c.pixels[i], 200) << i;  // inside and outside
}

TEST(WriteBitmap24, WritesTheFixedHeaderAndTheRowsBottomUpAsBgr) {
  std::vector<std::uint8_t> pixels(kPixelBlockSize);
  for (int i = 0; i < kPixelBlockSize; ++i) pixels[i] = static_cast<std::uint8_t>(i * 7 + i / 306);
  std::vector<std::uint8_t> bmp(51200, 0xCD);
  int length = 0;
  WriteBitmap24(102, 126, pixels.data(), bmp.data(), &length);
  EXPECT_EQ(length, 38862);
  const std::uint8_t header[54] = {'B', 'M', 0xCE, 0x97, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0,
                                   102, 0, 0, 0, 126, 0, 0, 0, 1, 0, 24, 0};
  EXPECT_EQ(std::vector<std::uint8_t>(bmp.begin(), bmp.begin() + 54), std::vector<std::uint8_t>(header, header + 54));
  const std::uint8_t* bottomLeft = &pixels[125 * 306];
  EXPECT_EQ(bmp[54], bottomLeft[2]);  // the blue of the bottom-left pixel
  EXPECT_EQ(bmp[55], bottomLeft[1]);
  EXPECT_EQ(bmp[56], bottomLeft[0]);
  for (int row = 0; row < 126; ++row) {
    const std::uint8_t* source = &pixels[(125 - row) * 306];
    const std::uint8_t* target = &bmp[54 + row * 308];
    for (int p = 0; p < 102; ++p) {
      ASSERT_EQ(target[3 * p], source[3 * p + 2]);
      ASSERT_EQ(target[3 * p + 2], source[3 * p]);
    }
    EXPECT_EQ(target[306], 0xCD);  // padding bytes keep what the buffer held
    EXPECT_EQ(target[307], 0xCD);
  }
  EXPECT_EQ(bmp[38862], 0xCD);
}

}  // namespace
}  // namespace vantel::photo
