#pragma once
// The coefficient stage of the photo decoder: the coefficient total, the
// components' segments and the bit-plane zerotree decoding of each component.
#include <cstdint>

#include "library/cards/photo/photo_planes.h"
#include "library/cards/photo/wlt_format.h"

namespace vantel::photo {

// One component's part of the stream: its top bit-plane P and its coded segment.
struct ComponentSegment {
  int topBitPlane = 0;
  const std::uint8_t* segment = nullptr;
  int limit = 0;  // S_k - 1
};

// Reads the coefficient total T and lays out every component's top bit-plane byte and
// segment (the stream moves past them all). kWltOk, kWltPastStream (a segment past the
// stream's end or without room for its marker) or kWltNoMarker.
int ReadCoefficientLayout(WltStream& stream, const WltDecodeContext& context,
                          ComponentSegment segments[3]);

// Decodes one component from its segment into planes.coefficients (significance, reached
// positions and list are the component's own). The level mask and planes.codedBelow must be built.
void DecodeComponent(WltDecodeContext& context, PhotoPlanes& planes,
                     const ComponentSegment& segment);

}  // namespace vantel::photo
