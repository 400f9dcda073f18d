#pragma once
// Helpers shared by the photo decoder's tests.
#include <cstdint>
#include <vector>

#include "library/cards/photo/photo_planes.h"
#include "library/cards/photo/photo_region.h"
#include "library/cards/photo/wlt_format.h"
#include "support/photo_encoder.h"

namespace vantel::photo::testing_helpers {

// A stream holding `bytes` from position 0 (zeros after them).
inline WltStream StreamOf(const std::vector<std::uint8_t>& bytes) {
  WltStream stream;
  for (int i = 0; i < kStreamSize; ++i) stream.bytes[i] = i < static_cast<int>(bytes.size()) ? bytes[i] : 0;
  stream.position = 0;
  return stream;
}

inline void AppendUint32(std::vector<std::uint8_t>* v, std::uint32_t x) {
  for (int i = 0; i < 4; ++i) v->push_back(static_cast<std::uint8_t>(x >> (8 * i)));
}

// The length field and segment of a region.
inline std::vector<std::uint8_t> RegionBytes(const vantel_test::photo::RegionSpec& region) {
  const std::vector<std::uint8_t> segment = vantel_test::photo::EncodeRegionSegment(region);
  std::vector<std::uint8_t> bytes;
  AppendUint32(&bytes, static_cast<std::uint32_t>(segment.size()));
  bytes.insert(bytes.end(), segment.begin(), segment.end());
  return bytes;
}

// A square of side n + 1 pixels from (row, column), clockwise.
inline vantel_test::photo::ChainSpec Square(int row, int column, int n) {
  vantel_test::photo::ChainSpec chain;
  chain.startRow = row;
  chain.startColumn = column;
  for (int d : {0, 2, 4, 6}) {
    for (int i = 0; i < n; ++i) chain.directions.push_back(d);
  }
  return chain;
}

inline WltDecodeContext ContextFor(int levels, int regionMode = 1, int components = 3) {
  WltDecodeContext context;
  ReadWltHeader(static_cast<std::uint8_t>(levels | (regionMode << 4) | (components << 6)), &context);
  return context;
}

inline std::vector<std::uint8_t> Mask(std::initializer_list<std::pair<int, int>> inside) {
  std::vector<std::uint8_t> mask(kImagePixels, 0);
  for (const auto& p : inside) mask[p.first * kImageWidth + p.second] = 1;
  return mask;
}

inline std::vector<std::uint8_t> Rectangle(int top, int left, int bottom, int right) {
  std::vector<std::uint8_t> mask(kImagePixels, 0);
  for (int r = top; r <= bottom; ++r)
    for (int c = left; c <= right; ++c) mask[r * kImageWidth + c] = 1;
  return mask;
}

// The planes of a decode with `levels` levels over `region`, up to the level mask.
struct MaskedPlanes {
  WltDecodeContext context;
  PhotoPlanes planes;
  vantel_test::photo::Geometry g;

  MaskedPlanes(int levels, const std::vector<std::uint8_t>& region) {
    context = ContextFor(levels, 1, 3);
    planes.Allocate(context.paddedWidth, context.paddedHeight);
    planes.regionMask = region;
    BuildLevelMask(context, planes);
    g = vantel_test::photo::Geometry::ForLevels(levels);
  }
};

}  // namespace vantel::photo::testing_helpers
