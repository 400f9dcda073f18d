// The coefficient segments and the bit-plane zerotree decoding.
#include "library/cards/photo/photo_coefficients.h"

#include <gtest/gtest.h>

#include <random>

#include "library/cards/photo/photo_region.h"
#include "photo_test_helpers.h"

namespace vantel::photo {
namespace {

using namespace testing_helpers;
namespace enc = vantel_test::photo;

struct Stage : MaskedPlanes {
  Stage(int levels, const std::vector<std::uint8_t>& region) : MaskedPlanes(levels, region) {
    BuildCodedBelow(context, planes);
  }

  std::vector<std::int32_t> Decode(const std::vector<std::uint8_t>& segment, int limit, int top) {
    ComponentSegment s;
    s.topBitPlane = top;
    s.segment = segment.data();
    s.limit = limit;
    DecodeComponent(context, planes, s);
    return planes.coefficients;
  }
};

std::vector<std::int32_t> RandomCoefficients(const enc::Geometry& g, std::uint32_t seed, int largest,
                                             double zeros) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> value(-largest, largest);
  std::bernoulli_distribution zero(zeros);
  std::vector<std::int32_t> plane(g.size(), 0);
  for (auto& v : plane) v = zero(rng) ? 0 : value(rng) / (1 + static_cast<int>(rng() % 8));
  return plane;
}

std::vector<std::int32_t> CodedOnly(const std::vector<std::int32_t>& plane, const std::vector<std::int32_t>& mask) {
  std::vector<std::int32_t> out(plane.size(), 0);
  for (std::size_t i = 0; i < plane.size(); ++i) out[i] = mask[i] == 1 ? plane[i] : 0;
  return out;
}

std::vector<std::uint8_t> Speckle() {
  std::vector<std::uint8_t> mask(kImagePixels, 0);
  for (int i = 0; i < kImagePixels; ++i) mask[i] = ((i * 7919) % 13) < 5;
  return mask;
}

TEST(DecodeCoefficients, ALosslessCodeRoundTripsForEveryLevelAndRegion) {
  const std::vector<std::uint8_t> regions[3] = {std::vector<std::uint8_t>(kImagePixels, 1),
                                                enc::SyntheticPortraitRegion(), Speckle()};
  int seed = 1;
  for (int levels : {0, 1, 2, 3, 5, 8}) {
    for (const auto& region : regions) {
      Stage s(levels, region);
      const auto target = RandomCoefficients(s.g, static_cast<std::uint32_t>(seed++), 300, 0.7);
      const int top = enc::TopBitPlaneOf(s.g, s.planes.levelMask, target);
      const enc::EncodedComponent e = enc::EncodeComponent(s.g, s.planes.levelMask, target, top);
      ASSERT_TRUE(e.complete);
      const auto segment = enc::MakeSegment(e.code, e.requiredLimit);
      const auto decoded = s.Decode(segment, e.requiredLimit, top);
      ASSERT_EQ(decoded, CodedOnly(target, s.planes.levelMask)) << "levels " << levels;
      EXPECT_EQ(decoded, e.reconstruction);
    }
  }
}

TEST(DecodeCoefficients, ThePortraitRegionUsesDescendantFlagsAndStillRoundTrips) {
  Stage s(5, enc::SyntheticPortraitRegion());
  const auto target = RandomCoefficients(s.g, 99, 2000, 0.85);
  const int top = enc::TopBitPlaneOf(s.g, s.planes.levelMask, target);
  const auto e = enc::EncodeComponent(s.g, s.planes.levelMask, target, top);
  int flags = 0, zerotrees = 0, isolated = 0;
  for (const auto& t : e.trace) {
    flags += t.kind == enc::SymbolKind::kDescendant;
    zerotrees += t.kind == enc::SymbolKind::kBand && t.symbol == 2;
    isolated += t.kind == enc::SymbolKind::kBand && t.symbol == 3;
  }
  EXPECT_GT(flags, 0);
  EXPECT_GT(zerotrees, 0);
  EXPECT_GT(isolated, 0);
  const auto segment = enc::MakeSegment(e.code, e.requiredLimit);
  EXPECT_EQ(s.Decode(segment, e.requiredLimit, top), CodedOnly(target, s.planes.levelMask));
}

TEST(DecodeCoefficients, TopBitPlaneZeroIsOneSignificancePassWithoutRefinement) {
  Stage s(3, std::vector<std::uint8_t>(kImagePixels, 1));
  std::vector<std::int32_t> target(s.g.size(), 0);
  std::mt19937 rng(3);
  for (auto& v : target) v = static_cast<int>(rng() % 3) - 1;
  const auto e = enc::EncodeComponent(s.g, s.planes.levelMask, target, 0);
  for (const auto& t : e.trace) {
    ASSERT_EQ(t.bitPlane, 0);
    ASSERT_NE(t.kind, enc::SymbolKind::kRefine);
  }
  const auto segment = enc::MakeSegment(e.code, e.requiredLimit);
  EXPECT_EQ(s.Decode(segment, e.requiredLimit, 0), CodedOnly(target, s.planes.levelMask));
}

TEST(DecodeCoefficients, LargeTopBitPlanesAndSignsRoundTrip) {
  Stage s(2, enc::SyntheticPortraitRegion());
  std::vector<std::int32_t> target(s.g.size(), 0);
  std::mt19937 rng(11);
  for (auto& v : target) v = (rng() % 5 == 0) ? static_cast<std::int32_t>(rng() % (1 << 21)) - (1 << 20) : 0;
  const int top = enc::TopBitPlaneOf(s.g, s.planes.levelMask, target);
  EXPECT_GE(top, 19);
  const auto e = enc::EncodeComponent(s.g, s.planes.levelMask, target, top);
  const auto segment = enc::MakeSegment(e.code, e.requiredLimit);
  EXPECT_EQ(s.Decode(segment, e.requiredLimit, top), CodedOnly(target, s.planes.levelMask));
}

TEST(DecodeCoefficients, AnIsolatedPixelInAnOddColumnIsStillCoded) {
  Stage s(1, Mask({{10, 21}}));
  std::vector<std::int32_t> target(s.g.size(), 0);
  target[5 * s.g.paddedWidth + 10] = -37;
  const auto e = enc::EncodeComponent(s.g, s.planes.levelMask, target, 5);
  bool coded = false;
  for (const auto& t : e.trace) coded = coded || (t.row == 5 && t.column == 10);
  EXPECT_TRUE(coded);
  const auto segment = enc::MakeSegment(e.code, e.requiredLimit);
  const auto decoded = s.Decode(segment, e.requiredLimit, 5);
  EXPECT_EQ(decoded[5 * s.g.paddedWidth + 10], -37);
}

TEST(DecodeCoefficients, MatchesTheReferenceTraversalOnArbitrarySegments) {
  // Any bytes after the marker are a valid code: the library's decoder and the test
  // encoder's traversal, in decoding mode, must agree symbol for symbol, budget included.
  std::mt19937 rng(77);
  const std::vector<std::uint8_t> regions[3] = {std::vector<std::uint8_t>(kImagePixels, 1),
                                                enc::SyntheticPortraitRegion(), Speckle()};
  for (int round = 0; round < 60; ++round) {
    const int levels = static_cast<int>(rng() % 7);
    Stage s(levels, regions[round % 3]);
    const int limit = 2 + static_cast<int>(rng() % 600);
    std::vector<std::uint8_t> segment(static_cast<std::size_t>(limit));
    for (auto& b : segment) b = static_cast<std::uint8_t>(rng() % (round % 4 == 0 ? 4 : 256));
    segment[0] = 0x6F;
    const int top = static_cast<int>(rng() % 14);
    const auto reference = enc::ReferenceDecodeComponent(s.g, s.planes.levelMask, segment.data(), limit, top);
    ASSERT_EQ(s.Decode(segment, limit, top), reference.coefficients) << "round " << round;
  }
}

TEST(DecodeCoefficients, ABudgetRunningOutMidBandLeavesTheRestAndTheNextComponentDecodes) {
  Stage s(3, enc::SyntheticPortraitRegion());
  const auto busy = RandomCoefficients(s.g, 5, 400, 0.5);
  const int top = enc::TopBitPlaneOf(s.g, s.planes.levelMask, busy);
  const auto full = enc::EncodeComponent(s.g, s.planes.levelMask, busy, top);
  // Cut the segment where a band pass of a middle bit-plane is half done.
  const int middle = top / 2;
  std::size_t cutAt = 0;
  for (std::size_t i = 0; i < full.trace.size(); ++i) {
    if (full.trace[i].bitPlane == middle && full.trace[i].kind == enc::SymbolKind::kFineBand) {
      cutAt = i;
      break;
    }
  }
  ASSERT_GT(cutAt, 0u);
  cutAt += 200;  // well inside the level-1 bands of that bit-plane
  ASSERT_EQ(full.trace[cutAt].kind, enc::SymbolKind::kFineBand);
  const int limit = enc::DecoderCountAfter(full.code, full.trace[cutAt].shiftsAfter);
  std::vector<std::uint8_t> code(full.code.begin(), full.code.begin() + (limit - 2));
  const auto segment = enc::MakeSegment(code, limit, 0xA5);

  const auto reference = enc::ReferenceDecodeComponent(s.g, s.planes.levelMask, segment.data(), limit, top);
  ASSERT_TRUE(reference.budgetStopped);
  EXPECT_EQ(reference.stoppedBitPlane, middle);
  const auto decoded = s.Decode(segment, limit, top);
  ASSERT_EQ(decoded, reference.coefficients);
  // Every symbol that the decoder read from real bytes was applied as encoded...
  std::size_t exact = 0;
  while (exact < full.trace.size() &&
         enc::DecoderCountAfter(full.code, full.trace[exact].shiftsAfter) < limit) {
    ASSERT_EQ(reference.trace[exact].symbol, full.trace[exact].symbol) << exact;
    ++exact;
  }
  EXPECT_GT(exact, cutAt - 40);
  // ...and the positions the rest of that band would have made significant stay 0.
  const auto& last = reference.trace.back();
  EXPECT_EQ(last.bitPlane, middle);
  int untouched = 0;
  for (std::size_t i = reference.trace.size() + 8; i < full.trace.size(); ++i) {
    const auto& t = full.trace[i];
    if (t.bitPlane == middle && t.kind == enc::SymbolKind::kFineBand && t.symbol < 2) {
      EXPECT_EQ(decoded[t.row * s.g.paddedWidth + t.column], 0);
      ++untouched;
    }
  }
  EXPECT_GT(untouched, 10);

  // The next component starts at its own segment and decodes normally.
  const auto calm = RandomCoefficients(s.g, 6, 50, 0.9);
  const int calmTop = enc::TopBitPlaneOf(s.g, s.planes.levelMask, calm);
  const auto next = enc::EncodeComponent(s.g, s.planes.levelMask, calm, calmTop);
  const auto nextSegment = enc::MakeSegment(next.code, next.requiredLimit);
  EXPECT_EQ(s.Decode(nextSegment, next.requiredLimit, calmTop), CodedOnly(calm, s.planes.levelMask));
}

TEST(DecodeCoefficients, TheEncodersCutCodeDecodesEveryCodedSymbol) {
  Stage s(4, enc::SyntheticPortraitRegion());
  const auto target = RandomCoefficients(s.g, 8, 500, 0.4);
  const int top = enc::TopBitPlaneOf(s.g, s.planes.levelMask, target);
  const int limit = 300;
  const auto e = enc::EncodeComponent(s.g, s.planes.levelMask, target, top, limit);
  EXPECT_FALSE(e.complete);
  const auto segment = enc::MakeSegment(e.code, limit);
  const auto reference = enc::ReferenceDecodeComponent(s.g, s.planes.levelMask, segment.data(), limit, top);
  ASSERT_GE(reference.trace.size(), e.trace.size());
  for (std::size_t i = 0; i < e.trace.size(); ++i) ASSERT_EQ(reference.trace[i].symbol, e.trace[i].symbol) << i;
  EXPECT_EQ(s.Decode(segment, limit, top), reference.coefficients);
}

TEST(CoefficientLayout, ReadsTopBitPlanesAndSegmentsInOrder) {
  std::vector<std::uint8_t> bytes;
  AppendUint32(&bytes, 104);  // B = 100: S = 95, 18, 17
  const int sizes[3] = {95, 18, 17};
  for (int k = 0; k < 3; ++k) {
    bytes.push_back(static_cast<std::uint8_t>(7 + k));
    bytes.push_back(0x6F);
    for (int i = 0; i < sizes[k] - 2; ++i) bytes.push_back(static_cast<std::uint8_t>(k));
  }
  WltStream stream = StreamOf(bytes);
  WltDecodeContext context = ContextFor(3, 0, 3);
  ComponentSegment segments[3];
  ASSERT_EQ(ReadCoefficientLayout(stream, context, segments), kWltOk);
  int at = 4;
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(segments[k].topBitPlane, 7 + k);
    EXPECT_EQ(segments[k].limit, sizes[k] - 1);
    EXPECT_EQ(segments[k].segment, stream.bytes + at + 1);
    at += sizes[k];
  }
  EXPECT_EQ(stream.position, at);
}

TEST(CoefficientLayout, AGreyPhotoUsesTheFirstSegmentOnly) {
  std::vector<std::uint8_t> bytes;
  AppendUint32(&bytes, 1000);  // B = 996: S = 856, 89, 81; the third would end at 1030
  bytes.push_back(3);
  bytes.push_back(0x6F);
  bytes.resize(4 + 856, 0);
  bytes.push_back(3);
  bytes.push_back(0x6F);
  WltStream stream = StreamOf(bytes);
  ComponentSegment segments[3];
  EXPECT_EQ(ReadCoefficientLayout(stream, ContextFor(3, 0, 1), segments), kWltOk);
  WltStream colour = StreamOf(bytes);
  EXPECT_EQ(ReadCoefficientLayout(colour, ContextFor(3, 0, 3), segments), kWltPastStream);
}

TEST(CoefficientLayout, AMissingMarkerOrASegmentPastTheStreamFails) {
  std::vector<std::uint8_t> bytes;
  AppendUint32(&bytes, 104);
  bytes.push_back(1);
  bytes.push_back(0x6F);
  bytes.resize(4 + 95, 0);
  bytes.push_back(1);
  bytes.push_back(0x00);  // component 1 without its marker
  WltStream stream = StreamOf(bytes);
  ComponentSegment segments[3];
  EXPECT_EQ(ReadCoefficientLayout(stream, ContextFor(3, 0, 3), segments), kWltNoMarker);

  std::vector<std::uint8_t> tooLong;
  AppendUint32(&tooLong, 1200);
  tooLong.push_back(1);
  tooLong.push_back(0x6F);
  WltStream past = StreamOf(tooLong);
  EXPECT_EQ(ReadCoefficientLayout(past, ContextFor(3, 0, 1), segments), kWltPastStream);

  std::vector<std::uint8_t> negative;
  AppendUint32(&negative, static_cast<std::uint32_t>(-2000));  // S_0 < 2
  WltStream small = StreamOf(negative);
  EXPECT_EQ(ReadCoefficientLayout(small, ContextFor(3, 0, 1), segments), kWltPastStream);
}

}  // namespace
}  // namespace vantel::photo
