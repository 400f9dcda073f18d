#include "library/cards/photo/photo_reconstruct.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "library/cards/photo/photo_region.h"
#include "library/cards/photo/plane_transpose.h"

namespace vantel::photo {

namespace {

// The format's 32-bit integers wrap; these keep a malformed photo from being undefined.
inline std::int32_t Add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
inline std::int32_t Sub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
// Arithmetic shift (rounds toward minus infinity).
inline std::int32_t Shr(std::int32_t a, int s) { return a >> s; }

// RoundScale of n samples in place. In most runs of a photo all high samples are 0, which
// scales to 0: one pass that looks costs far less than the scaling it saves. The same pass
// tells whether every sample is near enough to 0 for RoundScaleNear.
template <std::int32_t kFactor>
void ScaleSamples(std::int32_t* s, int n) {
  std::int32_t any = 0;
  std::uint32_t far = 0;
  for (int k = 0; k < n; ++k) {
    any |= s[k];
    far |= (static_cast<std::uint32_t>(s[k]) + kRoundScaleNearLimit) / (2 * kRoundScaleNearLimit);
  }
  if (any == 0) return;
#if defined(__SSE2__)
  if (far == 0) {
    for (int k = 0; k < n; ++k) s[k] = RoundScaleNear(s[k], kFactor / 10000.0);
    return;
  }
#else
  static_cast<void>(far);  // without SSE2 the double path is the slower one
#endif
  for (int k = 0; k < n; ++k) s[k] = RoundScale(s[k], kFactor);
}

}  // namespace

// The output, low and high samples never overlap (a run's low and high samples are apart in
// the scratch line), which lets the loops vectorize without checks.
void InverseLift53(std::int32_t* __restrict x, std::int32_t* __restrict L,
                   std::int32_t* __restrict H, int parity, int m) {
  if (m < 1) return;
  if (m == 1) {
    x[0] = RoundScale(L[0], 7071);
    return;
  }
  if (m >= 3) {
    const int lows = parity == 0 ? (m + 1) / 2 : m / 2;
    ScaleSamples<7071>(L, lows);
    ScaleSamples<14142>(H, m - lows);
  }
  // First the low samples become the outputs they stand for, in place; then one loop
  // writes each output pair, so that its stores interleave in vector registers. Each run
  // end, where a neighbour is missing, outside the loops.
  const int odds = m / 2;
  const bool oddLength = m % 2 == 1;
  const int interiorOdds = oddLength ? odds : odds - 1;
  if (parity == 0) {
    // Even positions hold low samples.
    L[0] = Sub(L[0], Shr(Add(H[0], 1), 1));
    for (int k = 1; k < odds; ++k) L[k] = Sub(L[k], Shr(Add(Add(H[k - 1], H[k]), 2), 2));
    if (oddLength) L[odds] = Sub(L[odds], Shr(Add(H[odds - 1], 1), 1));
    for (int k = 0; k < interiorOdds; ++k) {
      x[2 * k] = L[k];
      x[2 * k + 1] = Add(H[k], Shr(Add(L[k], L[k + 1]), 1));
    }
    x[2 * interiorOdds] = L[interiorOdds];
    if (!oddLength) x[m - 1] = Add(H[odds - 1], L[odds - 1]);
  } else {
    // Even positions hold high samples.
    for (int k = 0; k < interiorOdds; ++k) L[k] = Sub(L[k], Shr(Add(Add(H[k], H[k + 1]), 2), 2));
    if (!oddLength) L[odds - 1] = Sub(L[odds - 1], Shr(Add(H[odds - 1], 1), 1));
    x[0] = Add(L[0], H[0]);
    for (int k = 1; k < odds; ++k) {
      x[2 * k - 1] = L[k - 1];
      x[2 * k] = Add(H[k], Shr(Add(L[k - 1], L[k]), 1));
    }
    x[2 * odds - 1] = L[odds - 1];
    if (oddLength) x[m - 1] = Add(L[odds - 1], H[odds]);
  }
}

namespace {

// Step 1 of the one-dimensional inverse: the mask of positions 2k and 2k + 1 from the low
// half's mask[k] and the high half's mask[n/2 + k].
void RebuildLineMask(const std::int32_t* mask, int n, int pass, std::int32_t* rebuilt) {
  const int half = n / 2;
  for (int k = 0; k < half; ++k) {
    std::int32_t lo = mask[k];
    std::int32_t hi = mask[half + k];
    if (pass == 2) {
      if (hi == 129) {
        lo = 0;
        hi = 1;
      } else if (hi == 130) {
        lo = 128;
        hi = 1;
      }
    } else if (hi == 128) {
      lo = 0;
      hi = 1;
    }
    rebuilt[2 * k] = lo;
    rebuilt[2 * k + 1] = hi;
  }
}

// Steps 2 and 3: `out` receives the outputs of the line's runs from `in` (low half first,
// scaled in place), 0 between the runs; only the gaps are zeroed, the runs are written whole.
void LiftRuns(std::int32_t* in, std::int32_t* out, int n, const InverseRun* runs,
              const InverseRun* runsEnd) {
  const int half = n / 2;
  int done = 0;
  for (const InverseRun* run = runs; run != runsEnd; ++run) {
    const int j = run->start;
    const int m = run->length;
    std::fill(out + done, out + j, 0);
    std::int32_t* low = in + (m == 1 ? (j >> 1) : ((j + 1) >> 1));
    std::int32_t* high = in + half + (j >> 1);
    InverseLift53(out + j, low, high, j & 1, m);
    done = j + m;
  }
  std::fill(out + done, out + n, 0);
}

// The line (low half first) replaced by the outputs of its runs; `scratch` holds n entries.
void ApplyRuns(std::int32_t* line, int n, const InverseRun* runs, const InverseRun* runsEnd,
               std::int32_t* scratch) {
  std::copy(line, line + n, scratch);
  LiftRuns(scratch, line, n, runs, runsEnd);
}

// The vertical step over `columns` (at most PhotoPlanes::kColumnBlock) columns from `plane`
// (rows `stride` apart), whose split lines start at line `firstLine`.
void InverseColumnBlock(std::int32_t* plane, int stride, int h, int columns, int firstLine,
                        const InverseRun* runs, const int* lineStart, std::int32_t* block,
                        std::int32_t* blockOut) {
  if (lineStart[firstLine] == lineStart[firstLine + columns]) {
    // No run in any of these columns (outside the region): they only turn to 0.
    for (int r = 0; r < h; ++r) std::fill(plane + r * stride, plane + r * stride + columns, 0);
    return;
  }
  Transpose(plane, stride, h, columns, block, h);
  for (int j = 0; j < columns; ++j) {
    const int l = firstLine + j;
    LiftRuns(block + j * h, blockOut + j * h, h, runs + lineStart[l], runs + lineStart[l + 1]);
  }
  Transpose(blockOut, h, columns, h, plane, stride);
}

// `out` gets the n coefficients where the mask is 1 or a marker, 0 elsewhere. Masked
// without a branch and the arrays declared apart, so that the loop vectorizes.
void KeepCoded(const std::int32_t* __restrict coefficients, const std::int32_t* __restrict mask,
               int n, std::int32_t* __restrict out) {
  for (int i = 0; i < n; ++i) out[i] = coefficients[i] & -static_cast<std::int32_t>(mask[i] > 0);
}

// The image's 102 values of a plane row, clamped to 0..255.
void ClampRow(const std::int32_t* __restrict row, std::uint8_t* __restrict out) {
  for (int c = 0; c < kImageWidth; ++c) out[c] = Clamp255(row[c]);
}

// The split's first line of `level`: the split visits, level by level, the rows and
// then the columns of each level's area.
int FirstSplitLine(const PhotoPlanes& planes, int level) {
  int first = 0;
  for (int finer = 1; finer < level; ++finer) {
    first += (planes.paddedWidth >> (finer - 1)) + (planes.paddedHeight >> (finer - 1));
  }
  return first;
}

}  // namespace

void InverseLine(std::int32_t* coefficients, std::int32_t* mask, int n, int pass,
                 std::int32_t* coefficientsOut, std::int32_t* maskOut) {
  RebuildLineMask(mask, n, pass, maskOut);
  std::vector<InverseRun> runs;
  FindRuns(maskOut, n, &runs);
  ApplyRuns(coefficients, n, runs.data(), runs.data() + runs.size(), coefficientsOut);
  std::copy(maskOut, maskOut + n, mask);
}

void InverseShapeTransform(const WltDecodeContext& context, PhotoPlanes& planes,
                           std::uint8_t* out) {
  constexpr int kColumnBlock = PhotoPlanes::kColumnBlock;
  const int pw = planes.paddedWidth;
  const int ws = planes.workStride;
  std::int32_t* work = planes.workPlane.get();
  for (int r = 0; r < planes.paddedHeight; ++r) {
    KeepCoded(planes.coefficients.data() + r * pw, planes.levelMask.data() + r * pw, pw, work + r * ws);
  }
  std::int32_t* block = planes.blockCoefficients.get();
  std::int32_t* blockOut = planes.blockOutput.get();
  std::int32_t* scratch = planes.lineOut.get();
  const InverseRun* runs = planes.inverseRuns.data();
  const int* lineStart = planes.inverseLineStart.data();
  for (int level = context.levels; level >= 1; --level) {
    const int w = planes.paddedWidth >> (level - 1);
    const int h = planes.paddedHeight >> (level - 1);
    const int firstRow = FirstSplitLine(planes, level);
    const int firstColumn = firstRow + h;
    // Vertical step, a block of columns at a time so that every row segment read from
    // the plane fills whole cache lines.
    for (int c0 = 0; c0 < w; c0 += kColumnBlock) {
      InverseColumnBlock(work + c0, ws, h, std::min(kColumnBlock, w - c0), firstColumn + c0,
                         runs, lineStart, block, blockOut);
    }
    for (int r = 0; r < h; ++r) {
      const int l = firstRow + r;
      std::int32_t* row = work + r * ws;
      ApplyRuns(row, w, runs + lineStart[l], runs + lineStart[l + 1], scratch);
      // The last step's rows are the image's: clamped while they are at hand.
      if (level == 1 && r < kImageHeight) ClampRow(row, out + r * kImageWidth);
    }
  }
  if (context.levels == 0) {
    for (int r = 0; r < kImageHeight; ++r) ClampRow(work + r * ws, out + r * kImageWidth);
  }
}

namespace {

// YccToRgb's terms by component value: a table lookup instead of a multiplication and a
// division per term and pixel. The compiler fills them.
struct ColourTerms {
  std::int16_t redFromCr[256];
  std::int16_t greenFromCb[256];
  std::int16_t greenFromCr[256];
  std::int16_t blueFromCb[256];
};

constexpr ColourTerms MakeColourTerms() {
  ColourTerms terms{};
  for (int v = 0; v < 256; ++v) {
    terms.redFromCr[v] = static_cast<std::int16_t>((v - 128) * 1402 / 1000);
    terms.greenFromCb[v] = static_cast<std::int16_t>((v - 128) * (-344) / 1000);
    terms.greenFromCr[v] = static_cast<std::int16_t>((v - 128) * 714 / 1000);
    terms.blueFromCb[v] = static_cast<std::int16_t>((v - 128) * 1772 / 1000);
  }
  return terms;
}

constexpr ColourTerms kColourTerms = MakeColourTerms();

// Clamp255 of a value 0..255 plus a term as a lookup rather than two compares:
// kClamp.value[256 + v] for v in -256..511.
struct ClampTable {
  std::uint8_t value[768];
};

constexpr ClampTable MakeClampTable() {
  ClampTable table{};
  for (int v = -256; v < 512; ++v) table.value[256 + v] = Clamp255(v);
  return table;
}

constexpr ClampTable kClamp = MakeClampTable();

void ComposeGrey(const std::uint8_t* grey, const PixelRows& rows) {
  for (int r = 0; r < kImageHeight; ++r) {
    std::uint8_t* p = rows.row(r);
    for (int c = 0; c < kImageWidth; ++c, p += 3) p[0] = p[1] = p[2] = grey[r * kImageWidth + c];
  }
}

// One row: inside pixels converted from the components, outside ones the fill colour
// (R, G, B). The channel order is a template constant and the arrays are declared apart,
// so that the loop keeps its values in registers.
template <bool kBgr>
void ComposeColourRow(const std::uint8_t* __restrict region, const std::uint8_t* __restrict y,
                      const std::uint8_t* __restrict cb, const std::uint8_t* __restrict cr,
                      const std::uint8_t* fill, std::uint8_t* __restrict p) {
  constexpr int kRed = kBgr ? 2 : 0;
  constexpr int kBlue = 2 - kRed;
  const std::uint8_t fillRed = fill[0], fillGreen = fill[1], fillBlue = fill[2];
  for (int c = 0; c < kImageWidth; ++c, p += 3) {
    if (region[c] > 0) {
      const std::uint8_t* clamp = kClamp.value + 256 + y[c];
      p[kRed] = clamp[kColourTerms.redFromCr[cr[c]]];
      p[1] = clamp[kColourTerms.greenFromCb[cb[c]] - kColourTerms.greenFromCr[cr[c]]];
      p[kBlue] = clamp[kColourTerms.blueFromCb[cb[c]]];
    } else {
      p[kRed] = fillRed;
      p[1] = fillGreen;
      p[kBlue] = fillBlue;
    }
  }
}

void ComposeColour(const PhotoPlanes& planes, const std::uint8_t fill[3], const PixelRows& rows) {
  for (int r = 0; r < kImageHeight; ++r) {
    const int i = r * kImageWidth;
    const std::uint8_t* region = planes.regionMask.data() + i;
    const std::uint8_t* y = planes.componentBytes[0].data() + i;
    const std::uint8_t* cb = planes.componentBytes[1].data() + i;
    const std::uint8_t* cr = planes.componentBytes[2].data() + i;
    if (rows.bgr) {
      ComposeColourRow<true>(region, y, cb, cr, fill, rows.row(r));
    } else {
      ComposeColourRow<false>(region, y, cb, cr, fill, rows.row(r));
    }
  }
}

// Which pixels 1..100 of a row (not the image's first or last) are outside pixels next to
// the region, from the region rows above, at and below it. No branch per pixel, so that
// the loop vectorizes.
void FindBorderPixels(const std::uint8_t* __restrict above, const std::uint8_t* __restrict here,
                      const std::uint8_t* __restrict below, std::uint8_t* __restrict border) {
  for (int c = 1; c <= kImageWidth - 2; ++c) {
    const int near = above[c - 1] | above[c] | above[c + 1] | here[c - 1] | here[c + 1] |
                     below[c - 1] | below[c] | below[c + 1];
    border[c] = static_cast<std::uint8_t>((here[c] == 0) & (near != 0));
  }
}

// Outside pixels next to the region take the mean of their 3 x 3 neighbourhood, as it is
// at that moment of the scan.
void SmoothBorder(const std::uint8_t* region, const PixelRows& rows) {
  std::uint8_t border[kImageWidth];
  for (int r = 1; r <= kImageHeight - 2; ++r) {
    const std::uint8_t* here = region + r * kImageWidth;
    FindBorderPixels(here - kImageWidth, here, here + kImageWidth, border);
    for (int c = 1; c <= kImageWidth - 2; ++c) {
      if (!border[c]) continue;
      const std::uint8_t* above = rows.row(r - 1) + 3 * c;
      std::uint8_t* pixel = rows.row(r) + 3 * c;
      const std::uint8_t* below = rows.row(r + 1) + 3 * c;
      for (int channel = 0; channel < 3; ++channel) {
        int sum = 0;
        for (int dc = -3; dc <= 3; dc += 3) sum += above[dc + channel] + pixel[dc + channel] + below[dc + channel];
        pixel[channel] = static_cast<std::uint8_t>(sum / 9);
      }
    }
  }
}

}  // namespace

void ComposePixels(const WltDecodeContext& context, const PhotoPlanes& planes,
                   const PixelRows& rows) {
  if (context.components == 1) {
    // Grey: the clamped values inside and outside alike, each repeated as R, G and B.
    ComposeGrey(planes.componentBytes[0].data(), rows);
    return;
  }
  std::uint8_t fill[3];
  if (context.fillFlag == 0) {
    std::memcpy(fill, context.background, 3);
  } else {
    fill[0] = fill[1] = fill[2] = kFillFlagOneGrey;
  }
  ComposeColour(planes, fill, rows);
  // Region mode 0 makes the whole image inside: no pixel to smooth, no need to look.
  if (context.regionMode != 0) SmoothBorder(planes.regionMask.data(), rows);
}

void ComposePixels(const WltDecodeContext& context, const PhotoPlanes& planes,
                   std::uint8_t* pixels) {
  ComposePixels(context, planes, RgbRows(pixels));
}

namespace {

void Put16(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

}  // namespace

int WriteBitmapHeader(int width, int height, std::uint8_t* bitmap) {
  const int stride = ((width * 24 + 31) / 8) / 4 * 4;
  const int fileSize = stride * height + kBitmapHeaderSize;
  std::memset(bitmap, 0, kBitmapHeaderSize);
  bitmap[0] = 'B';
  bitmap[1] = 'M';
  Put32(bitmap + 2, static_cast<std::uint32_t>(fileSize));
  Put32(bitmap + 10, kBitmapHeaderSize);
  Put32(bitmap + 14, 40);
  Put32(bitmap + 18, static_cast<std::uint32_t>(width));
  Put32(bitmap + 22, static_cast<std::uint32_t>(height));
  Put16(bitmap + 26, 1);
  Put16(bitmap + 28, 24);
  return fileSize;
}

void WriteBitmap24(int width, int height, const std::uint8_t* pixels, std::uint8_t* bitmap,
                   int* length) {
  const int fileSize = WriteBitmapHeader(width, height, bitmap);
  // The pixel writing is fixed to the photo's rows: 306 bytes, stride 308.
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* source = pixels + (height - 1 - row) * kPixelRowBytes;
    std::uint8_t* target = bitmap + kBitmapHeaderSize + row * kBitmapRowStride;
    for (int p = 0; p < kPixelRowBytes; p += 3) {
      target[p] = source[p + 2];
      target[p + 1] = source[p + 1];
      target[p + 2] = source[p];
    }
  }
  *length = fileSize;
}

}  // namespace vantel::photo
