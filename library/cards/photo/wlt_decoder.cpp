#include "library/cards/photo/wlt_decoder.h"

#include <new>
#include <vector>

#include "library/cards/photo/photo_coefficients.h"
#include "library/cards/photo/photo_planes.h"
#include "library/cards/photo/photo_reconstruct.h"
#include "library/cards/photo/photo_region.h"
#include "library/cards/photo/wlt_format.h"

namespace vantel {

namespace {

int DecodeInto(const std::uint8_t* photo, std::uint8_t* pixels) {
  using namespace photo;
  WltStream stream;
  stream.Load(photo);
  WltDecodeContext context;
  std::uint8_t header = 0;
  stream.ReadByte(&header);
  ReadWltHeader(header, &context);
  if (context.components != 1 && context.components != 3) return kWltBadComponents;
  if (context.levels > kMaxLevels) return kWltTooManyLevels;

  PhotoPlanes planes;
  planes.Allocate(context.paddedWidth, context.paddedHeight);
  int result = DecodeRegion(stream, context, planes);
  if (result != kWltOk) return result;
  BuildLevelMask(context, planes);
  BuildCodedBelow(context, planes);

  ComponentSegment segments[3];
  result = ReadCoefficientLayout(stream, context, segments);
  if (result != kWltOk) return result;
  for (int k = 0; k < context.components; ++k) {
    DecodeComponent(context, planes, segments[k]);
    InverseShapeTransform(context, planes, planes.componentBytes[k].data());
  }
  ComposePixels(context, planes, pixels);
  return kWltOk;
}

}  // namespace

int WltToPixels(const std::uint8_t* photo, std::uint8_t* pixels) {
  if (!photo::HasWltMagic(photo)) return photo::kWltBadMagic;
  try {
    return DecodeInto(photo, pixels);
  } catch (const std::bad_alloc&) {
    return photo::kWltNoMemory;
  }
}

int WltToBitmap(const std::uint8_t* photo, std::uint8_t* bitmap, int* length) {
  if (!photo::HasWltMagic(photo)) return photo::kWltBadMagic;
  try {
    std::vector<std::uint8_t> pixels(kWltPixelBlockSize);
    const int result = WltToPixels(photo, pixels.data());
    if (result != photo::kWltOk) return result;
    photo::WriteBitmap24(photo::kImageWidth, photo::kImageHeight, pixels.data(), bitmap, length);
    return photo::kWltOk;
  } catch (const std::bad_alloc&) {
    return photo::kWltNoMemory;
  }
}

}  // namespace vantel
