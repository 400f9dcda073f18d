#include "library/cards/photo/photo_region.h"

#include <algorithm>
#include <cstring>

#include "library/cards/photo/plane_transpose.h"
#include "library/cards/photo/qm_decoder.h"

namespace vantel::photo {

const int kDirectionColumnStep[8] = {1, 1, 0, -1, -1, -1, 0, 1};
const int kDirectionRowStep[8] = {0, 1, 1, 1, 0, -1, -1, -1};
const int kTurnTable[8] = {4, 3, 5, 2, 6, 1, 7, 0};

namespace {

bool InsideImage(int row, int column) {
  return row >= 0 && row < kImageHeight && column >= 0 && column < kImageWidth;
}

void XorRowPrefix(std::uint8_t* row, int lastColumn) {
  for (int c = 0; c <= lastColumn; ++c) row[c] ^= 255;
}

// 255 into `plane` where the chain's local row is 255. A select rather than a conditional
// store, and the rows declared apart, so that the loop vectorizes.
void MarkInside(const std::uint8_t* __restrict local, int width, std::uint8_t* __restrict plane) {
  for (int c = 0; c < width; ++c) plane[c] = local[c] == 255 ? 255 : plane[c];
}

// The region mask: 1 where the chains' plane is set.
void RegionFromChains(const std::uint8_t* __restrict chainPlane, std::uint8_t* __restrict regionMask) {
  for (int i = 0; i < kImagePixels; ++i) regionMask[i] = chainPlane[i] != 0 ? 1 : 0;
}

}  // namespace

void RasterizeChain(const int* rows, const int* columns, int count, std::uint8_t* regionPlane,
                    std::uint8_t* local) {
  if (count < 1) return;
  int minRow = rows[0], maxRow = rows[0], minColumn = columns[0], maxColumn = columns[0];
  for (int k = 1; k < count; ++k) {
    minRow = std::min(minRow, rows[k]);
    maxRow = std::max(maxRow, rows[k]);
    minColumn = std::min(minColumn, columns[k]);
    maxColumn = std::max(maxColumn, columns[k]);
  }
  const int width = maxColumn - minColumn + 1;
  const int height = maxRow - minRow + 1;
  std::memset(local, 0, static_cast<std::size_t>(width) * height);
  int lastDy = -1;
  for (int k = 1; k < count; ++k) {
    const int r = rows[k - 1] - minRow, c = columns[k - 1] - minColumn;
    const int r2 = rows[k] - minRow, c2 = columns[k] - minColumn;
    const int dy = r2 - r;
    if (dy == -lastDy) {
      XorRowPrefix(local + r * width, c);
      XorRowPrefix(local + r2 * width, c2);
    } else if (dy == lastDy) {
      XorRowPrefix(local + r2 * width, c2);
    }
    if (dy != 0) lastDy = dy;
  }
  for (int k = 0; k < count; ++k) {
    local[(rows[k] - minRow) * width + (columns[k] - minColumn)] = 255;
  }
  for (int r = 0; r < height; ++r) {
    MarkInside(local + r * width, width, regionPlane + (minRow + r) * kImageWidth + minColumn);
  }
}

int DecodeRegion(WltStream& stream, WltDecodeContext& context, PhotoPlanes& planes) {
  if (context.regionMode == 0) {
    std::fill(planes.regionMask.begin(), planes.regionMask.end(), 1);
    context.fillFlag = 0;
    return kWltOk;
  }
  std::uint32_t length = 0;
  if (!stream.ReadUint32(&length)) return kWltPastStream;
  if (length < 1 || length > static_cast<std::uint32_t>(stream.remaining())) return kWltPastStream;
  const std::uint8_t* segment = nullptr;
  stream.Take(static_cast<int>(length), &segment);
  QmDecoder decoder;
  if (!decoder.Start(segment, static_cast<int>(length))) return kWltNoMarker;

  const int fillFlag = static_cast<int>(decoder.ReadBits(1));
  if (fillFlag == 1) {
    // Four fill records (value, value, three bytes): read so that the chains decode, then
    // dropped; no fill point reaches the image.
    for (int record = 0; record < 4; ++record) {
      decoder.ReadBits(9);
      decoder.ReadBits(9);
      decoder.ReadBits(8);
      decoder.ReadBits(8);
      decoder.ReadBits(8);
    }
  } else {
    for (int i = 0; i < 3; ++i) context.background[i] = static_cast<std::uint8_t>(decoder.ReadBits(8));
  }
  const int chains = static_cast<int>(decoder.ReadBits(8));
  if (chains > kMaxChains) return kWltBadRegion;

  SymbolModel turnModel(8);
  std::fill(planes.chainPlane.get(), planes.chainPlane.get() + kImagePixels, 0);
  int* rows = planes.chainRows.get();
  int* columns = planes.chainColumns.get();
  for (int chain = 0; chain < chains; ++chain) {
    const int steps = static_cast<int>(decoder.ReadBits(16));
    if (steps > kMaxDirections) return kWltBadRegion;
    const int startColumn = static_cast<int>(decoder.ReadBits(12));
    const int startRow = static_cast<int>(decoder.ReadBits(12));
    if (!InsideImage(startRow, startColumn)) return kWltBadRegion;
    rows[0] = startRow;
    columns[0] = startColumn;
    int direction = 0;
    for (int k = 0; k < steps; ++k) {
      const int symbol = decoder.DecodeSymbol(turnModel);
      direction = k == 0 ? symbol : (direction + kTurnTable[symbol] - 4 + 8) % 8;
      rows[k + 1] = rows[k] + kDirectionRowStep[direction];
      columns[k + 1] = columns[k] + kDirectionColumnStep[direction];
      if (!InsideImage(rows[k + 1], columns[k + 1])) return kWltBadRegion;
    }
    RasterizeChain(rows, columns, steps + 1, planes.chainPlane.get(), planes.chainLocal.get());
  }
  if (chains > 0) decoder.ReadBits(1);  // no effect on the image

  if (chains == 0) {
    std::fill(planes.regionMask.begin(), planes.regionMask.end(), 1);
  } else {
    RegionFromChains(planes.chainPlane.get(), planes.regionMask.data());
  }
  context.fillFlag = fillFlag;
  return kWltOk;
}

namespace {

// The even samples of `in` to the low half of `out`, the odd ones to the high half.
void Deinterleave(const std::int32_t* in, std::int32_t* out, int n) {
  const int half = n / 2;
  for (int k = 0; k < half; ++k) {
    out[k] = in[2 * k];
    out[half + k] = in[2 * k + 1];
  }
}

// A run of one sample at j of the line: its pair in `out` (low half first) is marked so
// that the sample stays coded.
void MarkIsolated(std::int32_t* out, int half, int j, int pass) {
  std::int32_t& lo = out[j >> 1];
  std::int32_t& hi = out[half + (j >> 1)];
  if (pass == 1) {
    if (lo == 0) {
      lo = 1;
      hi = 128;
    }
  } else if (lo == 0) {
    hi = 129;
    lo = 1;
  } else if (lo == 128) {
    hi = 130;
    lo = 1;
  }
}

}  // namespace

void SplitMask(const std::int32_t* in, std::int32_t* out, int n, int pass) {
  Deinterleave(in, out, n);
  int j = 0;
  while (j < n) {
    if (in[j] != 1) {
      ++j;
      continue;
    }
    int end = j;
    while (end < n && in[end] == 1) ++end;
    if (end - j == 1) MarkIsolated(out, n / 2, j, pass);
    j = end;
  }
}

namespace {

// The first position from j (n when none) holding 1; four values a step while none does,
// so that long stretches cost one branch per four.
int NextOne(const std::int32_t* line, int j, int n) {
  while (j + 4 <= n && ((line[j] == 1) | (line[j + 1] == 1) | (line[j + 2] == 1) | (line[j + 3] == 1)) == 0) j += 4;
  while (j < n && line[j] != 1) ++j;
  return j;
}

// The first position from j (n when none) not holding 1, in the same steps.
int NextOther(const std::int32_t* line, int j, int n) {
  while (j + 4 <= n && ((line[j] == 1) & (line[j + 1] == 1) & (line[j + 2] == 1) & (line[j + 3] == 1))) j += 4;
  while (j < n && line[j] == 1) ++j;
  return j;
}

}  // namespace

void FindRuns(const std::int32_t* line, int n, std::vector<InverseRun>* runs) {
  int j = NextOne(line, 0, n);
  while (j < n) {
    const int end = NextOther(line, j, n);
    runs->push_back(InverseRun{static_cast<std::uint16_t>(j), static_cast<std::uint16_t>(end - j)});
    j = NextOne(line, end, n);
  }
}

namespace {

// Splits `line` of n samples in place (`out` is scratch of n) and keeps its runs for the
// inverse; the split's isolated samples are the runs of one just found.
void SplitLine(std::int32_t* line, int n, int pass, std::int32_t* out, PhotoPlanes& planes) {
  const std::size_t first = planes.inverseRuns.size();
  planes.inverseLineStart.push_back(static_cast<int>(first));
  FindRuns(line, n, &planes.inverseRuns);
  Deinterleave(line, out, n);
  for (std::size_t k = first; k < planes.inverseRuns.size(); ++k) {
    const InverseRun& run = planes.inverseRuns[k];
    if (run.length == 1) MarkIsolated(out, n / 2, run.start, pass);
  }
  std::copy(out, out + n, line);
}

}  // namespace

void BuildLevelMask(const WltDecodeContext& context, PhotoPlanes& planes) {
  constexpr int kColumnBlock = PhotoPlanes::kColumnBlock;
  const int pw = planes.paddedWidth;
  const int ws = planes.workStride;
  std::int32_t* work = planes.workPlane.get();
  for (int r = 0; r < planes.paddedHeight; ++r) {
    std::int32_t* row = work + r * ws;
    const int inside = r < kImageHeight ? kImageWidth : 0;
    std::copy(planes.regionMask.data() + r * kImageWidth, planes.regionMask.data() + r * kImageWidth + inside, row);
    std::fill(row + inside, row + pw, 0);
  }
  planes.inverseRuns.clear();
  planes.inverseLineStart.clear();
  std::int32_t* block = planes.blockCoefficients.get();
  std::int32_t* out = planes.lineOut.get();
  for (int level = 1; level <= context.levels; ++level) {
    const int w = planes.paddedWidth >> (level - 1);
    const int h = planes.paddedHeight >> (level - 1);
    for (int r = 0; r < h; ++r) SplitLine(work + r * ws, w, 1, out, planes);
    // The columns a block at a time, each gathered into a contiguous line.
    for (int c0 = 0; c0 < w; c0 += kColumnBlock) {
      const int columns = std::min(kColumnBlock, w - c0);
      Transpose(work + c0, ws, h, columns, block, h);
      for (int j = 0; j < columns; ++j) SplitLine(block + j * h, h, 2, out, planes);
      Transpose(block, h, columns, h, work + c0, ws);
    }
  }
  planes.inverseLineStart.push_back(static_cast<int>(planes.inverseRuns.size()));
  planes.levelMask.clear();
  for (int r = 0; r < planes.paddedHeight; ++r) {
    const std::int32_t* row = work + r * ws;
    planes.levelMask.insert(planes.levelMask.end(), row, row + pw);
    for (int c = 0; c < pw; ++c) planes.coded[r * pw + c] = row[c] == 1 ? 1 : 0;
  }
}

namespace {

// One row of a band: 1 where one of the 2 x 2 children (rows `top` and `bottom` of the
// finer band, at columns 2c and 2c + 1) is coded or has coded positions below it. Level 1
// positions keep 0 in `codedBelow`, so one rule serves every level; no branch, so that
// the loop vectorizes.
void MarkCodedBelow(const std::uint8_t* __restrict codedTop, const std::uint8_t* __restrict codedBottom,
                    const std::uint8_t* belowTop, const std::uint8_t* belowBottom, int columns,
                    std::uint8_t* out) {
  for (int c = 0; c < columns; ++c) {
    out[c] = static_cast<std::uint8_t>(codedTop[2 * c] | codedTop[2 * c + 1] | codedBottom[2 * c] |
                                       codedBottom[2 * c + 1] | belowTop[2 * c] | belowTop[2 * c + 1] |
                                       belowBottom[2 * c] | belowBottom[2 * c + 1]);
  }
}

}  // namespace

void BuildCodedBelow(const WltDecodeContext& context, PhotoPlanes& planes) {
  const int pw = planes.paddedWidth;
  const int W = planes.paddedWidth, H = planes.paddedHeight;
  const std::uint8_t* coded = planes.coded.get();
  std::uint8_t* codedBelow = planes.codedBelow.get();
  std::fill(codedBelow, codedBelow + planes.levelMask.size(), 0);
  for (int s = 2; s <= context.levels; ++s) {
    const int rowsLow = H >> s, columnsLow = W >> s;
    for (int band = 0; band < 3; ++band) {
      const int r0 = band == 0 ? 0 : rowsLow;
      const int c0 = band == 1 ? 0 : columnsLow;
      for (int r = r0; r < r0 + rowsLow; ++r) {
        const int top = 2 * r * pw + 2 * c0, bottom = top + pw;
        MarkCodedBelow(coded + top, coded + bottom, codedBelow + top, codedBelow + bottom, columnsLow,
                       codedBelow + r * pw + c0);
      }
    }
  }
}

}  // namespace vantel::photo
