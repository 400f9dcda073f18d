#pragma once
// The reconstruction stage of the photo decoder: the region-aware inverse
// wavelet transform, YCbCr to RGB, the fill and smoothing of outside pixels, the BMP writer.
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "library/cards/photo/photo_planes.h"
#include "library/cards/photo/wlt_format.h"

namespace vantel::photo {

constexpr int kPixelRowBytes = kImageWidth * 3;                 // 306
constexpr int kPixelBlockSize = kPixelRowBytes * kImageHeight;  // 38556
constexpr int kBitmapHeaderSize = 54;
constexpr int kBitmapRowStride = 308;
constexpr int kBitmapSize = kBitmapRowStride * kImageHeight + kBitmapHeaderSize;  // 38862
// The colour of outside pixels under fill flag 1, which the format leaves undefined.
constexpr std::uint8_t kFillFlagOneGrey = 128;

// R(v, f): v * f / 10000 rounded to nearest, halves away from zero; the product in signed
// 32-bit arithmetic. Inline: the inverse transform calls it per sample.
inline std::int32_t RoundScale(std::int32_t v, std::int32_t f) {
  const std::uint32_t product = static_cast<std::uint32_t>(v) * static_cast<std::uint32_t>(f);
  // Rounded on the magnitude in unsigned 32 bits (|p| + 5000 < 2^32) with the sign put back
  // by mask: no branch and no 64-bit arithmetic, so that the scaling loops vectorize and the
  // 32-bit build needs no 64-bit multiply.
  const std::uint32_t negative = 0u - (product >> 31);
  const std::uint32_t magnitude = (product ^ negative) - negative;
  const std::uint32_t rounded = (magnitude + 5000u) / 10000u;
  return static_cast<std::int32_t>((rounded ^ negative) - negative);
}

// RoundScale in double arithmetic, which SSE2 does four samples at a time in fewer steps
// than the 32-bit division; exact for v in [-kRoundScaleNearLimit, kRoundScaleNearLimit):
// v * f does not wrap there, the exact quotient plus 0.5 is a whole number of
// ten-thousandths, and the double's error (below 1e-10) cannot carry the 0.5e-4 added to it
// across a whole number.
constexpr std::int32_t kRoundScaleNearLimit = 1 << 17;
inline std::int32_t RoundScaleNear(std::int32_t v, double factorOverTenThousand) {
  const double x = v * factorOverTenThousand;
  return static_cast<std::int32_t>(x + std::copysign(0.50005, x));
}

// One run of m samples: x[0..m-1] from the low samples L[] and high samples H[] (both
// scaled in place when m >= 3); parity 0: the run's even positions hold low samples.
void InverseLift53(std::int32_t* x, std::int32_t* L, std::int32_t* H, int parity, int m);

// One line of even length n (low half first): `coefficients` and `mask` are read and
// replaced by the reconstructed line and the rebuilt mask (pass 2 columns, 1 rows).
// `coefficientsOut` and `maskOut` are scratch of n entries. A line on its own (it allocates
// its run list); the decoder's InverseShapeTransform uses the same steps along the runs that
// BuildLevelMask keeps, without allocating.
void InverseLine(std::int32_t* coefficients, std::int32_t* mask, int n, int pass,
                 std::int32_t* coefficientsOut, std::int32_t* maskOut);

// Runs the inverse transform on a copy of planes.coefficients (the current component) along
// the runs that BuildLevelMask kept (it must have run) and stores the clamped values 0..255
// of the 102 x 126 image into `out`.
void InverseShapeTransform(const WltDecodeContext& context, PhotoPlanes& planes,
                           std::uint8_t* out);

constexpr std::uint8_t Clamp255(std::int32_t v) {
  return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

// Integer YCbCr to RGB, each clamped to 0..255.
inline void YccToRgb(int y, int cb, int cr, std::uint8_t* rgb) {
  rgb[0] = Clamp255(y + (cr - 128) * 1402 / 1000);
  rgb[1] = Clamp255(y + (cb - 128) * (-344) / 1000 - (cr - 128) * 714 / 1000);
  rgb[2] = Clamp255(y + (cb - 128) * 1772 / 1000);
}

// Where composed pixels go: the top row, the distance from one row to the next (negative
// for a bottom-up BMP) and whether each pixel is stored R, G, B or B, G, R.
struct PixelRows {
  std::uint8_t* top;
  std::ptrdiff_t stride;
  bool bgr;
  std::uint8_t* row(int r) const { return top + r * stride; }
};

// The pixel block of WltToPixels: rows top-down, R, G, B.
inline PixelRows RgbRows(std::uint8_t* pixels) { return PixelRows{pixels, kPixelRowBytes, false}; }
// The pixel rows of the BMP image WriteBitmap24 writes: bottom-up, B, G, R, stride 308.
inline PixelRows BitmapRows(std::uint8_t* bitmap) {
  return PixelRows{bitmap + kBitmapHeaderSize + (kImageHeight - 1) * kBitmapRowStride,
                   -kBitmapRowStride, true};
}

// The image's pixels from the components' clamped planes, the region mask, and for colour
// the fill and smoothing of outside pixels.
void ComposePixels(const WltDecodeContext& context, const PhotoPlanes& planes,
                   const PixelRows& rows);
// The same into a pixel block (126 rows top-down, 102 pixels of R, G, B).
void ComposePixels(const WltDecodeContext& context, const PhotoPlanes& planes,
                   std::uint8_t* pixels);

// The 54-byte header of a width x height 24-bit BMP; the file's size.
int WriteBitmapHeader(int width, int height, std::uint8_t* bitmap);

// The BMP header for width x height at 24 bits, then the rows bottom-up as B, G, R (rows of
// 306 bytes, stride 308; the 2 padding bytes of each row are not written). Sets *length to
// the file size.
void WriteBitmap24(int width, int height, const std::uint8_t* pixels, std::uint8_t* bitmap,
                   int* length);

}  // namespace vantel::photo
