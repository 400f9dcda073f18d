// The region segment, chain fill, SplitMask and the level mask.
#include "library/cards/photo/photo_region.h"

#include <gtest/gtest.h>

#include "photo_test_helpers.h"

namespace vantel::photo {
namespace {

using namespace testing_helpers;
using vantel_test::photo::ChainSpec;
using vantel_test::photo::RegionSpec;

struct RegionResult {
  int result;
  WltDecodeContext context;
  std::vector<std::uint8_t> mask;
  int position;
};

RegionResult Decode(const std::vector<std::uint8_t>& bytes, int regionMode = 1) {
  WltStream stream = StreamOf(bytes);
  RegionResult out;
  out.context = ContextFor(3, regionMode);
  PhotoPlanes planes;
  planes.Allocate(out.context.paddedWidth, out.context.paddedHeight);
  out.result = DecodeRegion(stream, out.context, planes);
  out.mask = planes.regionMask;
  out.position = stream.position;
  return out;
}

RegionResult DecodeChains(const std::vector<ChainSpec>& chains) {
  RegionSpec region;
  region.chains = chains;
  return Decode(RegionBytes(region));
}

TEST(DecodeRegion, ModeZeroReadsNothingAndCoversTheWholeImage) {
  const RegionResult r = Decode({0xDE, 0xAD, 0xBE, 0xEF}, 0);
  EXPECT_EQ(r.result, kWltOk);
  EXPECT_EQ(r.position, 0);
  EXPECT_EQ(r.context.fillFlag, 0);
  EXPECT_EQ(r.mask, std::vector<std::uint8_t>(kImagePixels, 1));
}

TEST(DecodeRegion, NoChainsMeansTheWholeImageAndTheColourIsRead) {
  RegionSpec region;
  region.background[0] = 12;
  region.background[1] = 34;
  region.background[2] = 56;
  const std::vector<std::uint8_t> bytes = RegionBytes(region);
  const RegionResult r = Decode(bytes);
  EXPECT_EQ(r.result, kWltOk);
  EXPECT_EQ(r.position, static_cast<int>(bytes.size()));
  EXPECT_EQ(r.mask, std::vector<std::uint8_t>(kImagePixels, 1));
  EXPECT_EQ(r.context.fillFlag, 0);
  EXPECT_EQ(r.context.background[0], 12);
  EXPECT_EQ(r.context.background[1], 34);
  EXPECT_EQ(r.context.background[2], 56);
}

TEST(DecodeRegion, ASquareChainIsFilled) {
  const RegionResult r = DecodeChains({Square(10, 20, 3)});
  ASSERT_EQ(r.result, kWltOk);
  EXPECT_EQ(r.mask, Rectangle(10, 20, 13, 23));
}

TEST(DecodeRegion, ACounterClockwiseSquareIsFilledAlike) {
  ChainSpec chain;
  chain.startRow = 10;
  chain.startColumn = 20;
  for (int d : {2, 0, 6, 4}) {
    for (int i = 0; i < 3; ++i) chain.directions.push_back(d);
  }
  const RegionResult r = DecodeChains({chain});
  ASSERT_EQ(r.result, kWltOk);
  EXPECT_EQ(r.mask, Rectangle(10, 20, 13, 23));
}

TEST(DecodeRegion, DiagonalStepsFillATriangle) {
  ChainSpec chain;
  chain.startRow = 20;
  chain.startColumn = 40;
  chain.directions = {1, 1, 1, 4, 4, 4, 4, 4, 4, 7, 7, 7};
  const RegionResult r = DecodeChains({chain});
  ASSERT_EQ(r.result, kWltOk);
  std::vector<std::uint8_t> expected(kImagePixels, 0);
  for (int c = 40; c <= 40; ++c) expected[20 * kImageWidth + c] = 1;
  for (int c = 39; c <= 41; ++c) expected[21 * kImageWidth + c] = 1;
  for (int c = 38; c <= 42; ++c) expected[22 * kImageWidth + c] = 1;
  for (int c = 37; c <= 43; ++c) expected[23 * kImageWidth + c] = 1;
  EXPECT_EQ(r.mask, expected);
}

TEST(DecodeRegion, AHorizontalOnlyChainFillsOnlyItsOwnPixels) {
  ChainSpec chain;
  chain.startRow = 50;
  chain.startColumn = 10;
  chain.directions = {0, 0, 0, 0, 0, 4, 4};
  const RegionResult r = DecodeChains({chain});
  ASSERT_EQ(r.result, kWltOk);
  EXPECT_EQ(r.mask, Rectangle(50, 10, 50, 15));
}

TEST(DecodeRegion, AChainOfNoStepsIsOnePixel) {
  ChainSpec chain;
  chain.startRow = 7;
  chain.startColumn = 99;
  const RegionResult r = DecodeChains({chain});
  ASSERT_EQ(r.result, kWltOk);
  EXPECT_EQ(r.mask, Mask({{7, 99}}));
}

TEST(DecodeRegion, OverlappingChainsAreUnitedNotXored) {
  const RegionResult r = DecodeChains({Square(10, 20, 3), Square(12, 22, 3)});
  ASSERT_EQ(r.result, kWltOk);
  std::vector<std::uint8_t> expected = Rectangle(10, 20, 13, 23);
  const std::vector<std::uint8_t> second = Rectangle(12, 22, 15, 25);
  for (int i = 0; i < kImagePixels; ++i) expected[i] |= second[i];
  EXPECT_EQ(r.mask, expected);
  EXPECT_EQ(r.mask[12 * kImageWidth + 22], 1);  // the overlap
}

TEST(DecodeRegion, FillFlagOneReadsFourRecordsThenTheChains) {
  RegionSpec region;
  region.fillFlag = 1;
  for (int i = 0; i < 4; ++i) {
    region.fills[i].first = 511 - i;
    region.fills[i].second = 3 * i;
    region.fills[i].bytes[0] = static_cast<std::uint8_t>(200 + i);
  }
  region.chains = {Square(30, 30, 5)};
  const RegionResult r = Decode(RegionBytes(region));
  ASSERT_EQ(r.result, kWltOk);
  EXPECT_EQ(r.context.fillFlag, 1);
  EXPECT_EQ(r.mask, Rectangle(30, 30, 35, 35));
}

TEST(DecodeRegion, MatchesTheReferenceFillOnATracedPortrait) {
  const std::vector<std::uint8_t> portrait = vantel_test::photo::SyntheticPortraitRegion();
  const ChainSpec outline = vantel_test::photo::TraceOutline(portrait);
  EXPECT_LE(outline.directions.size(), 2000u);
  const RegionResult r = DecodeChains({outline});
  ASSERT_EQ(r.result, kWltOk);
  EXPECT_EQ(r.mask, vantel_test::photo::ReferenceRegionMask({outline}));
  EXPECT_EQ(r.mask, portrait);  // the traced outline fills back to the shape
}

TEST(DecodeRegion, TenChainsOfTwoThousandDirectionsAreAccepted) {
  std::vector<ChainSpec> chains;
  for (int k = 0; k < 10; ++k) {
    ChainSpec chain;
    chain.startRow = 5 + k;
    chain.startColumn = 1;
    for (int i = 0; i < 2000; ++i) chain.directions.push_back((i / 50) % 2 == 0 ? 0 : 4);
    chains.push_back(chain);
  }
  EXPECT_EQ(DecodeChains(chains).result, kWltOk);
}

TEST(DecodeRegion, MoreThanTenChainsFail) {
  RegionSpec region;
  for (int k = 0; k < 11; ++k) region.chains.push_back(Square(k * 10, 0, 2));
  EXPECT_EQ(Decode(RegionBytes(region)).result, kWltBadRegion);
}

TEST(DecodeRegion, MoreThanTwoThousandDirectionsFail) {
  ChainSpec chain;
  chain.startRow = 60;
  chain.startColumn = 50;
  chain.stepCountOverride = 2001;
  chain.directions = {0, 4};
  EXPECT_EQ(DecodeChains({chain}).result, kWltBadRegion);
}

TEST(DecodeRegion, PositionsOutsideTheImageFail) {
  ChainSpec column;
  column.startColumn = 102;
  EXPECT_EQ(DecodeChains({column}).result, kWltBadRegion);
  ChainSpec row;
  row.startRow = 126;
  EXPECT_EQ(DecodeChains({row}).result, kWltBadRegion);
  ChainSpec leaving;
  leaving.startRow = 10;
  leaving.startColumn = 1;
  leaving.directions = {4, 4, 0, 0};  // to column -1
  EXPECT_EQ(DecodeChains({leaving}).result, kWltBadRegion);
  ChainSpec bottom;
  bottom.startRow = 124;
  bottom.startColumn = 50;
  bottom.directions = {2, 2};  // to row 126
  EXPECT_EQ(DecodeChains({bottom}).result, kWltBadRegion);
}

TEST(DecodeRegion, ASegmentWithoutTheMarkerFails) {
  std::vector<std::uint8_t> bytes = RegionBytes(RegionSpec{});
  bytes[4] = 0x6E;
  EXPECT_EQ(Decode(bytes).result, kWltNoMarker);
}

TEST(DecodeRegion, ALengthPastTheStreamOrWithoutRoomForTheMarkerFails) {
  std::vector<std::uint8_t> bytes;
  AppendUint32(&bytes, 1011);  // 4 + 1011 > 1014
  bytes.push_back(0x6F);
  EXPECT_EQ(Decode(bytes).result, kWltPastStream);
  bytes.clear();
  AppendUint32(&bytes, 1010);  // exactly to the end: allowed
  const std::vector<std::uint8_t> segment =
      vantel_test::photo::MakeSegment(vantel_test::photo::EncodeRegionCode(RegionSpec{}), 1010);
  bytes.insert(bytes.end(), segment.begin(), segment.end());
  EXPECT_EQ(Decode(bytes).result, kWltOk);
  bytes.clear();
  AppendUint32(&bytes, 0);
  EXPECT_EQ(Decode(bytes).result, kWltPastStream);
  bytes.clear();
  AppendUint32(&bytes, 0xFFFFFFFFu);
  EXPECT_EQ(Decode(bytes).result, kWltPastStream);
}

TEST(SplitMask, MovesAnIsolatedSampleInAnOddPositionIntoTheLowHalf) {
  const std::int32_t in[4] = {0, 1, 0, 0};
  std::int32_t out[4];
  SplitMask(in, out, 4, 1);
  EXPECT_EQ(std::vector<std::int32_t>(out, out + 4), (std::vector<std::int32_t>{1, 0, 128, 0}));
  SplitMask(in, out, 4, 2);
  EXPECT_EQ(std::vector<std::int32_t>(out, out + 4), (std::vector<std::int32_t>{1, 0, 129, 0}));
  const std::int32_t marked[4] = {128, 1, 0, 0};
  SplitMask(marked, out, 4, 2);
  EXPECT_EQ(std::vector<std::int32_t>(out, out + 4), (std::vector<std::int32_t>{1, 0, 130, 0}));
  SplitMask(marked, out, 4, 1);  // a row pass leaves a marked low sample alone
  EXPECT_EQ(std::vector<std::int32_t>(out, out + 4), (std::vector<std::int32_t>{128, 0, 1, 0}));
}

TEST(SplitMask, LeavesEvenIsolatedSamplesAndLongerRunsInPlace) {
  const std::int32_t even[6] = {0, 0, 1, 0, 0, 0};
  const std::int32_t pair[6] = {0, 1, 1, 0, 1, 1};
  std::int32_t out[6];
  SplitMask(even, out, 6, 1);
  EXPECT_EQ(std::vector<std::int32_t>(out, out + 6), (std::vector<std::int32_t>{0, 1, 0, 0, 0, 0}));
  SplitMask(pair, out, 6, 2);
  EXPECT_EQ(std::vector<std::int32_t>(out, out + 6), (std::vector<std::int32_t>{0, 1, 1, 1, 0, 1}));
}

TEST(LevelMask, RegionModeZeroCodesNothingInThePadding) {
  WltDecodeContext context = ContextFor(3, 0);
  PhotoPlanes planes;
  planes.Allocate(context.paddedWidth, context.paddedHeight);
  std::fill(planes.regionMask.begin(), planes.regionMask.end(), 1);
  BuildLevelMask(context, planes);
  EXPECT_EQ(planes.levelMask, vantel_test::photo::ReferenceLevelMask(
                                  vantel_test::photo::Geometry::ForLevels(3), planes.regionMask));
  // Level 1 detail bands: padding column 103 (odd) lands at high column 52 + 51 = 103.
  EXPECT_NE(planes.levelMask[0 * 104 + 103], 1);
  // The lowest band at level 3 is 13 x 16; its last column covers image columns 96..103,
  // which hold image pixels, so it is coded; row 15 covers rows 120..127, also coded.
  EXPECT_EQ(planes.levelMask[15 * 104 + 12], 1);
  int coded = 0;
  for (std::int32_t v : planes.levelMask) coded += v == 1;
  EXPECT_EQ(coded, kImagePixels);  // one coded coefficient per image pixel
}

TEST(LevelMask, AnIsolatedPixelInAnOddColumnMovesAndIsMarked) {
  WltDecodeContext context = ContextFor(1, 1);
  PhotoPlanes planes;
  planes.Allocate(context.paddedWidth, context.paddedHeight);
  planes.regionMask = Mask({{10, 21}});
  BuildLevelMask(context, planes);
  const int pw = planes.paddedWidth;
  EXPECT_EQ(planes.levelMask[5 * pw + 10], 1);     // moved into the low half of row and column
  EXPECT_EQ(planes.levelMask[5 * pw + 61], 128);   // its high-half position, marked
  int nonZero = 0;
  for (std::int32_t v : planes.levelMask) nonZero += v != 0;
  EXPECT_EQ(nonZero, 2);
}

TEST(LevelMask, MatchesTheReferenceOnAwkwardShapes) {
  const auto portrait = vantel_test::photo::SyntheticPortraitRegion();
  std::vector<std::uint8_t> speckleBytes(kImagePixels, 0);
  for (int i = 0; i < kImagePixels; ++i) speckleBytes[i] = ((i * 7919) % 13) < 4;
  const std::vector<std::uint8_t>& speckle = speckleBytes;
  for (int levels : {0, 1, 2, 3, 5, 7, 8}) {
    for (const auto* region : {&portrait, &speckle}) {
      WltDecodeContext context = ContextFor(levels, 1);
      PhotoPlanes planes;
      planes.Allocate(context.paddedWidth, context.paddedHeight);
      planes.regionMask = *region;
      BuildLevelMask(context, planes);
      EXPECT_EQ(planes.levelMask, vantel_test::photo::ReferenceLevelMask(
                                      vantel_test::photo::Geometry::ForLevels(levels), *region))
          << "levels " << levels;
    }
  }
}

}  // namespace
}  // namespace vantel::photo
