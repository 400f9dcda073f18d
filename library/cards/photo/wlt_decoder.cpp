#include "library/cards/photo/wlt_decoder.h"

#include <new>

#include "library/cards/photo/photo_coefficients.h"
#include "library/cards/photo/photo_planes.h"
#include "library/cards/photo/photo_reconstruct.h"
#include "library/cards/photo/photo_region.h"
#include "library/cards/photo/wlt_format.h"

namespace vantel {

namespace {

int DecodeInto(const std::uint8_t* photo, const photo::PixelRows& pixels) {
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
    return DecodeInto(photo, photo::RgbRows(pixels));
  } catch (const std::bad_alloc&) {
    return photo::kWltNoMemory;
  }
}

int WltToBitmap(const std::uint8_t* photo, std::uint8_t* bitmap, int* length) {
  if (!photo::HasWltMagic(photo)) return photo::kWltBadMagic;
  try {
    // The pixels go straight into the BMP's rows: a failure is found before any is written.
    const int result = DecodeInto(photo, photo::BitmapRows(bitmap));
    if (result != photo::kWltOk) return result;
    *length = photo::WriteBitmapHeader(photo::kImageWidth, photo::kImageHeight, bitmap);
    return photo::kWltOk;
  } catch (const std::bad_alloc&) {
    return photo::kWltNoMemory;
  }
}

}  // namespace vantel
