#include "support/photo_encoder.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <utility>

namespace vantel_test::photo {

using vantel::photo::kQmStateTable;
using vantel::photo::QmDecoder;

namespace {

const int kColumnStep[8] = {1, 1, 0, -1, -1, -1, 0, 1};
const int kRowStep[8] = {0, 1, 1, 1, 0, -1, -1, -1};
const int kTurn[8] = {4, 3, 5, 2, 6, 1, 7, 0};

std::int32_t Scale(std::int32_t v, std::int32_t f) {
  const std::int64_t p = static_cast<std::int64_t>(v) * f;
  return static_cast<std::int32_t>(p >= 0 ? (p + 5000) / 10000 : (p - 5000) / 10000);
}

bool FindPath(const SymbolModel& model, int node, int symbol, std::vector<std::pair<int, int>>* path) {
  for (int d = 0; d < 2; ++d) {
    const SymbolModel::Branch& b = model.node(node).branch[d];
    path->emplace_back(node, d);
    if (b.leaf ? b.value == symbol : FindPath(model, b.value, symbol, path)) return true;
    path->pop_back();
  }
  return false;
}

}  // namespace

// ---- QmEncoder (T.81 Annex D.1) ------------------------------------------------------------

QmEncoder::QmEncoder() : a_(0x10000), c_(0), ct_(11), stacked_(0), out_{0x00} {}

void QmEncoder::Encode(QmContext& context, int decision) {
  const vantel::photo::QmStateRow& row = kQmStateTable[context.index];
  const std::uint32_t qe = row.qe;
  a_ -= qe;
  if (decision == context.mps) {  // Code_MPS
    if (a_ >= 0x8000) return;
    if (a_ < qe) {
      c_ += a_;
      a_ = qe;
    }
    context.index = row.nextMps;
  } else {  // Code_LPS
    if (a_ >= qe) {
      c_ += a_;
      a_ = qe;
    }
    if (row.switchMps) context.mps = static_cast<std::uint8_t>(1 - context.mps);
    context.index = row.nextLps;
  }
  Renormalize();
}

void QmEncoder::Renormalize() {  // Renorm_e
  do {
    a_ <<= 1;
    c_ <<= 1;
    ++shifts_;
    if (--ct_ == 0) {
      ByteOut();
      ct_ = 8;
    }
  } while (a_ < 0x8000);
}

void QmEncoder::ByteOut() {
  const std::uint32_t t = c_ >> 19;
  if (t > 0xFF) {
    ++out_.back();                              // the carry
    if (out_.back() == 0xFF) out_.push_back(0);  // Stuff_0
    for (; stacked_ > 0; --stacked_) out_.push_back(0x00);  // Output_stacked_zeros
    out_.push_back(static_cast<std::uint8_t>(t & 0xFF));
  } else if (t == 0xFF) {
    ++stacked_;
  } else {
    for (; stacked_ > 0; --stacked_) {  // Output_stacked_X'FF's
      out_.push_back(0xFF);
      out_.push_back(0x00);
    }
    out_.push_back(static_cast<std::uint8_t>(t));
  }
  c_ &= 0x7FFFF;
}

void QmEncoder::EncodeSymbol(SymbolModel& model, int symbol) {
  std::vector<std::pair<int, int>> path;
  if (!FindPath(model, 0, symbol, &path)) throw std::logic_error("symbol outside the model");
  for (const auto& step : path) Encode(model.node(step.first).context, step.second);
}

void QmEncoder::WriteBits(int k, std::uint32_t value) {
  for (int i = k - 1; i >= 0; --i) EncodeSymbol(rawBits_, static_cast<int>((value >> i) & 1));
}

std::vector<std::uint8_t> QmEncoder::Finish() {
  // Clear_final_bits: the value in [C, C + A) with the most trailing zeros.
  std::uint32_t t = (c_ + a_ - 1) & 0xFFFF0000u;
  if (t < c_) t += 0x8000;
  c_ = t;
  c_ <<= ct_;
  ByteOut();
  c_ <<= 8;
  ByteOut();
  for (; stacked_ > 0; --stacked_) {
    out_.push_back(0xFF);
    out_.push_back(0x00);
  }
  if (out_[0] != 0x00) throw std::logic_error("carry into the byte before the code");
  std::vector<std::uint8_t> code(out_.begin() + 1, out_.end());
  // Discard_final_zeros (the decoder reads zeros after the code), keeping a stuffed 0x00.
  while (!code.empty() && code.back() == 0x00 &&
         !(code.size() >= 2 && code[code.size() - 2] == 0xFF)) {
    code.pop_back();
  }
  return code;
}

int DecoderCountAfter(const std::vector<std::uint8_t>& code, std::uint64_t shifts) {
  const std::uint64_t byteIns = 2 + (shifts + 7) / 8;
  int count = 1;
  std::size_t at = 0;
  for (std::uint64_t b = 0; b < byteIns; ++b) {
    const std::uint8_t byte = at < code.size() ? code[at] : 0;
    if (byte == 0xFF) {
      count += 2;
      at += 2;
    } else {
      count += 1;
      at += 1;
    }
  }
  return count;
}

std::vector<std::uint8_t> MakeSegment(const std::vector<std::uint8_t>& code, int limit,
                                      std::uint8_t lastByte) {
  if (limit < 2 || static_cast<int>(code.size()) > limit - 2) {
    throw std::logic_error("code does not fit the segment");
  }
  std::vector<std::uint8_t> segment(static_cast<std::size_t>(limit), 0);
  segment[0] = 0x6F;
  std::copy(code.begin(), code.end(), segment.begin() + 1);
  segment[limit - 1] = lastByte;
  return segment;
}

// ---- Region --------------------------------------------------------------------------------

int TurnSymbol(int previous, int next) {
  const int turn = ((next - previous + 4) % 8 + 8) % 8;
  for (int s = 0; s < 8; ++s) {
    if (kTurn[s] == turn) return s;
  }
  return 0;
}

std::vector<std::uint8_t> EncodeRegionCode(const RegionSpec& region) {
  QmEncoder encoder;
  SymbolModel turnModel(8);
  encoder.WriteBits(1, static_cast<std::uint32_t>(region.fillFlag));
  if (region.fillFlag == 1) {
    for (const FillRecord& f : region.fills) {
      encoder.WriteBits(9, static_cast<std::uint32_t>(f.first));
      encoder.WriteBits(9, static_cast<std::uint32_t>(f.second));
      for (std::uint8_t b : f.bytes) encoder.WriteBits(8, b);
    }
  } else {
    for (std::uint8_t b : region.background) encoder.WriteBits(8, b);
  }
  const int chains = region.chainCountOverride >= 0 ? region.chainCountOverride
                                                    : static_cast<int>(region.chains.size());
  encoder.WriteBits(8, static_cast<std::uint32_t>(chains));
  for (const ChainSpec& chain : region.chains) {
    const int steps = chain.stepCountOverride >= 0 ? chain.stepCountOverride
                                                   : static_cast<int>(chain.directions.size());
    encoder.WriteBits(16, static_cast<std::uint32_t>(steps));
    encoder.WriteBits(12, static_cast<std::uint32_t>(chain.startColumn));
    encoder.WriteBits(12, static_cast<std::uint32_t>(chain.startRow));
    int previous = 0;
    for (std::size_t k = 0; k < chain.directions.size(); ++k) {
      const int d = chain.directions[k];
      encoder.EncodeSymbol(turnModel, k == 0 ? d : TurnSymbol(previous, d));
      previous = d;
    }
  }
  if (chains > 0) encoder.WriteBits(1, static_cast<std::uint32_t>(region.trailingBit));
  return encoder.Finish();
}

std::vector<std::uint8_t> EncodeRegionSegment(const RegionSpec& region) {
  const std::vector<std::uint8_t> code = EncodeRegionCode(region);
  return MakeSegment(code, static_cast<int>(code.size()) + 2);
}

std::vector<std::uint8_t> ReferenceRegionMask(const std::vector<ChainSpec>& chains) {
  if (chains.empty()) return std::vector<std::uint8_t>(kPixels, 1);
  std::vector<std::uint8_t> plane(kPixels, 0);
  for (const ChainSpec& chain : chains) {
    std::vector<std::pair<int, int>> points{{chain.startRow, chain.startColumn}};
    for (int d : chain.directions) {
      points.emplace_back(points.back().first + kRowStep[d], points.back().second + kColumnStep[d]);
    }
    int top = kHeight, left = kWidth, bottom = -1, right = -1;
    for (const auto& p : points) {
      top = std::min(top, p.first);
      bottom = std::max(bottom, p.first);
      left = std::min(left, p.second);
      right = std::max(right, p.second);
    }
    std::vector<std::vector<std::uint8_t>> local(bottom - top + 1,
                                                 std::vector<std::uint8_t>(right - left + 1, 0));
    auto toggle = [&](int row, int lastColumn) {
      for (int c = 0; c <= lastColumn; ++c) local[row][c] ^= 0xFF;
    };
    int lastDy = -1;
    for (std::size_t k = 1; k < points.size(); ++k) {
      const int dy = points[k].first - points[k - 1].first;
      if (dy == -lastDy) {
        toggle(points[k - 1].first - top, points[k - 1].second - left);
        toggle(points[k].first - top, points[k].second - left);
      } else if (dy == lastDy) {
        toggle(points[k].first - top, points[k].second - left);
      }
      if (dy != 0) lastDy = dy;
    }
    for (const auto& p : points) local[p.first - top][p.second - left] = 0xFF;
    for (int r = top; r <= bottom; ++r) {
      for (int c = left; c <= right; ++c) {
        if (local[r - top][c - left] == 0xFF) plane[r * kWidth + c] = 1;
      }
    }
  }
  return plane;
}

ChainSpec TraceOutline(const std::vector<std::uint8_t>& mask) {
  auto inside = [&](int r, int c) {
    return r >= 0 && r < kHeight && c >= 0 && c < kWidth && mask[r * kWidth + c] != 0;
  };
  ChainSpec chain;
  int start = -1;
  for (int i = 0; i < kPixels && start < 0; ++i) {
    if (mask[i]) start = i;
  }
  if (start < 0) throw std::logic_error("empty mask");
  chain.startRow = start / kWidth;
  chain.startColumn = start % kWidth;
  int r = chain.startRow, c = chain.startColumn;
  int back = 4;  // the pixel to the west is outside
  int firstDirection = -1;
  for (int guard = 0; guard < 4 * kPixels; ++guard) {
    int found = -1;
    for (int i = 1; i <= 8; ++i) {
      const int d = (back + i) % 8;
      if (inside(r + kRowStep[d], c + kColumnStep[d])) {
        found = d;
        break;
      }
    }
    if (found < 0) break;  // a single pixel
    if (r == chain.startRow && c == chain.startColumn && found == firstDirection) break;
    if (firstDirection < 0) firstDirection = found;
    // The candidate before `found` was outside; seen from the new pixel it lies at:
    const int pr = r + kRowStep[(found + 7) % 8], pc = c + kColumnStep[(found + 7) % 8];
    r += kRowStep[found];
    c += kColumnStep[found];
    chain.directions.push_back(found);
    back = 0;
    for (int d = 0; d < 8; ++d) {
      if (r + kRowStep[d] == pr && c + kColumnStep[d] == pc) back = d;
    }
  }
  return chain;
}

// ---- Geometry, level mask, transforms ------------------------------------------------------

Geometry Geometry::ForLevels(int levels) {
  Geometry g;
  g.levels = levels;
  const int unit = 1 << levels;
  g.paddedWidth = (kWidth + unit - 1) / unit * unit;
  g.paddedHeight = (kHeight + unit - 1) / unit * unit;
  return g;
}

namespace {

// SplitMask, written anew for the reference.
std::vector<std::int32_t> Split(const std::vector<std::int32_t>& in, int pass) {
  const int n = static_cast<int>(in.size()), half = n / 2;
  std::vector<std::int32_t> out(n);
  for (int k = 0; k < half; ++k) {
    out[k] = in[2 * k];
    out[half + k] = in[2 * k + 1];
  }
  for (int j = 0; j < n; ++j) {
    const bool isolated = in[j] == 1 && (j == 0 || in[j - 1] != 1) && (j == n - 1 || in[j + 1] != 1);
    if (!isolated) continue;
    std::int32_t& lo = out[j / 2];
    std::int32_t& hi = out[half + j / 2];
    if (pass == 1 && lo == 0) {
      lo = 1;
      hi = 128;
    } else if (pass == 2 && lo == 0) {
      lo = 1;
      hi = 129;
    } else if (pass == 2 && lo == 128) {
      lo = 1;
      hi = 130;
    }
  }
  return out;
}

// Applies `f` (line, pass) to every row then every column of the level's area.
void ForEachLine(const Geometry& g, int level, std::vector<std::int32_t>* plane,
                 std::vector<std::int32_t>* mask,
                 const std::function<void(std::vector<std::int32_t>&, std::vector<std::int32_t>&, int)>& f) {
  const int w = g.paddedWidth >> (level - 1), h = g.paddedHeight >> (level - 1);
  const int pw = g.paddedWidth;
  for (int r = 0; r < h; ++r) {
    std::vector<std::int32_t> line(w), m(w);
    for (int c = 0; c < w; ++c) {
      line[c] = plane ? (*plane)[r * pw + c] : 0;
      m[c] = (*mask)[r * pw + c];
    }
    f(line, m, 1);
    for (int c = 0; c < w; ++c) {
      if (plane) (*plane)[r * pw + c] = line[c];
      (*mask)[r * pw + c] = m[c];
    }
  }
  for (int c = 0; c < w; ++c) {
    std::vector<std::int32_t> line(h), m(h);
    for (int r = 0; r < h; ++r) {
      line[r] = plane ? (*plane)[r * pw + c] : 0;
      m[r] = (*mask)[r * pw + c];
    }
    f(line, m, 2);
    for (int r = 0; r < h; ++r) {
      if (plane) (*plane)[r * pw + c] = line[r];
      (*mask)[r * pw + c] = m[r];
    }
  }
}

std::vector<std::int32_t> PaddedRegion(const Geometry& g, const std::vector<std::uint8_t>& region) {
  std::vector<std::int32_t> mask(g.size(), 0);
  for (int r = 0; r < kHeight; ++r) {
    for (int c = 0; c < kWidth; ++c) mask[r * g.paddedWidth + c] = region[r * kWidth + c] ? 1 : 0;
  }
  return mask;
}

// Forward 5/3 lifting of one run x[0..m-1] (m >= 2) with start parity p.
void ForwardLift(const std::vector<std::int32_t>& x, int p, std::vector<std::int32_t>* L,
                 std::vector<std::int32_t>* H) {
  const int m = static_cast<int>(x.size());
  const int evens = (m + 1) / 2, odds = m / 2;
  if (p == 0) {
    H->assign(odds, 0);
    L->assign(evens, 0);
    for (int k = 0; k < odds; ++k) {
      (*H)[k] = 2 * k + 2 < m ? x[2 * k + 1] - ((x[2 * k] + x[2 * k + 2]) >> 1) : x[2 * k + 1] - x[2 * k];
    }
    (*L)[0] = x[0] + (((*H)[0] + 1) >> 1);
    for (int k = 1; k < evens; ++k) {
      (*L)[k] = 2 * k + 1 < m ? x[2 * k] + (((*H)[k - 1] + (*H)[k] + 2) >> 2)
                              : x[2 * k] + (((*H)[k - 1] + 1) >> 1);
    }
  } else {
    H->assign(evens, 0);
    L->assign(odds, 0);
    (*H)[0] = x[0] - x[1];
    for (int k = 1; k < evens; ++k) {
      (*H)[k] = 2 * k + 1 < m ? x[2 * k] - ((x[2 * k - 1] + x[2 * k + 1]) >> 1) : x[2 * k] - x[2 * k - 1];
    }
    for (int k = 0; k < odds; ++k) {
      (*L)[k] = 2 * k + 2 < m ? x[2 * k + 1] + (((*H)[k] + (*H)[k + 1] + 2) >> 2)
                              : x[2 * k + 1] + (((*H)[k] + 1) >> 1);
    }
  }
  if (m >= 3) {
    for (auto& v : *L) v = Scale(v, 14142);
    for (auto& v : *H) v = Scale(v, 7071);
  }
}

void ForwardLine(std::vector<std::int32_t>& line, std::vector<std::int32_t>& mask, int pass) {
  const int n = static_cast<int>(line.size()), half = n / 2;
  std::vector<std::int32_t> out(n, 0);
  for (int j = 0; j < n;) {
    if (mask[j] != 1) {
      ++j;
      continue;
    }
    int end = j;
    while (end < n && mask[end] == 1) ++end;
    const int m = end - j;
    if (m == 1) {
      out[j >> 1] = Scale(line[j], 14142);
    } else {
      std::vector<std::int32_t> x(line.begin() + j, line.begin() + end), L, H;
      ForwardLift(x, j & 1, &L, &H);
      for (std::size_t k = 0; k < L.size(); ++k) out[((j + 1) >> 1) + k] = L[k];
      for (std::size_t k = 0; k < H.size(); ++k) out[half + (j >> 1) + k] = H[k];
    }
    j = end;
  }
  line = out;
  mask = Split(mask, pass);
}

}  // namespace

std::vector<std::int32_t> ReferenceLevelMask(const Geometry& g, const std::vector<std::uint8_t>& region) {
  std::vector<std::int32_t> mask = PaddedRegion(g, region);
  for (int level = 1; level <= g.levels; ++level) {
    ForEachLine(g, level, nullptr, &mask,
                [](std::vector<std::int32_t>&, std::vector<std::int32_t>& m, int pass) { m = Split(m, pass); });
  }
  return mask;
}

std::vector<std::int32_t> ForwardShapeTransform(const Geometry& g,
                                                const std::vector<std::uint8_t>& region,
                                                const std::vector<std::int32_t>& samples) {
  std::vector<std::int32_t> mask = PaddedRegion(g, region);
  std::vector<std::int32_t> plane = samples;
  for (int level = 1; level <= g.levels; ++level) ForEachLine(g, level, &plane, &mask, ForwardLine);
  return plane;
}

// ---- Coefficients --------------------------------------------------------------------------

namespace {

std::uint32_t Mag(std::int32_t v) {
  return v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
}

class Coder {
 public:
  virtual ~Coder() = default;
  virtual bool PassMayStart() = 0;
  // The symbol applied (the intended one when encoding), or -1: the component ends.
  virtual int Code(SymbolModel& model, int intended, bool budgetChecked) = 0;
  virtual std::uint64_t Shifts() const { return 0; }
};

class EncodingCoder : public Coder {
 public:
  explicit EncodingCoder(int limit) : limit_(limit) {}
  bool PassMayStart() override { return !stopped_; }
  int Code(SymbolModel& model, int intended, bool) override {
    if (stopped_) return -1;
    if (limit_ > 0 && encoder_.pendingBytes() + 10 >= static_cast<std::size_t>(limit_ - 2)) {
      QmEncoder trial = encoder_;
      SymbolModel trialModel = model;
      trial.EncodeSymbol(trialModel, intended);
      const std::uint64_t shifts = trial.shifts();
      const std::vector<std::uint8_t> code = trial.Finish();
      if (static_cast<int>(code.size()) > limit_ - 2 || DecoderCountAfter(code, shifts) > limit_) {
        stopped_ = true;
        return -1;
      }
    }
    encoder_.EncodeSymbol(model, intended);
    return intended;
  }
  std::uint64_t Shifts() const override { return encoder_.shifts(); }
  QmEncoder& encoder() { return encoder_; }
  bool stopped() const { return stopped_; }

 private:
  QmEncoder encoder_;
  int limit_;
  bool stopped_ = false;
};

class DecodingCoder : public Coder {
 public:
  DecodingCoder(const std::uint8_t* segment, int limit) : limit_(limit) {
    if (!decoder_.Start(segment, limit)) throw std::logic_error("segment without marker");
  }
  bool PassMayStart() override { return !BudgetStopped(); }
  int Code(SymbolModel& model, int, bool budgetChecked) override {
    const int symbol = decoder_.DecodeSymbol(model);
    if (budgetChecked && BudgetStopped()) return -1;
    return symbol;
  }
  bool BudgetStopped() {
    if (limit_ > 0 && decoder_.count() > limit_) stopped_ = true;
    return stopped_;
  }

 private:
  QmDecoder decoder_;
  int limit_;
  bool stopped_ = false;
};

// The coefficient coding of one component, from the encoder's side.
class Traversal {
 public:
  Traversal(const Geometry& g, const std::vector<std::int32_t>& levelMask,
            const std::vector<std::int32_t>* target, int top, Coder& coder)
      : g_(g), mask_(levelMask), target_(target), top_(top), coder_(coder),
        sig_(g.size(), 0), state_(g.size(), 255), below_(g.size(), 0) {
    rec_.assign(g.size(), 0);
    // Literal reading of "any position below at the finer levels has level mask 1".
    for (int s = 2; s <= g.levels; ++s) {
      ForBand(s, 0, [&](int r, int c) { below_[At(r, c)] = AnyBelow(r, c, s, false); });
      ForBand(s, 1, [&](int r, int c) { below_[At(r, c)] = AnyBelow(r, c, s, false); });
      ForBand(s, 2, [&](int r, int c) { below_[At(r, c)] = AnyBelow(r, c, s, false); });
    }
  }

  void Run() {
    for (bp_ = top_; bp_ >= 0; --bp_) {
      std::fill(state_.begin(), state_.end(), 255);
      if (!LowBand()) return Stop();
      for (int s = g_.levels; s >= 1; --s) {
        for (int band = 0; band < 3; ++band) {
          if (!Band(s, band)) return Stop();
        }
      }
      if (bp_ > 0) {
        if (!Refine()) return Stop();
        Reorder();
      }
      if (!coder_.PassMayStart()) return Stop();  // step (f), before bp - 1
    }
  }

  std::vector<std::int32_t> rec_;
  std::vector<SymbolTrace> trace_;
  bool stopped_ = false;
  int stoppedBitPlane_ = -1;

 private:
  int At(int r, int c) const { return r * g_.paddedWidth + c; }
  void Stop() {
    stopped_ = true;
    stoppedBitPlane_ = bp_;
  }
  bool HasBit(int i) const { return target_ && ((Mag((*target_)[i]) >> bp_) & 1u); }

  void ForBand(int s, int band, const std::function<void(int, int)>& f) const {
    const int rows = g_.paddedHeight >> s, columns = g_.paddedWidth >> s;
    const int r0 = band == 0 ? 0 : rows, c0 = band == 1 ? 0 : columns;
    if (band == 0) {
      for (int c = c0; c < c0 + columns; ++c)
        for (int r = r0; r < r0 + rows; ++r) f(r, c);
    } else {
      for (int r = r0; r < r0 + rows; ++r)
        for (int c = c0; c < c0 + columns; ++c) f(r, c);
    }
  }

  // Whether a position below (r, c) has level mask 1 (and, with `newOnly`, is not yet
  // significant and gets significant in this bit-plane).
  bool AnyBelow(int r, int c, int s, bool newOnly) const {
    for (int t = 1; t <= s - 1; ++t) {
      const int n = 1 << t;
      for (int rr = r * n; rr < r * n + n; ++rr) {
        for (int cc = c * n; cc < c * n + n; ++cc) {
          const int i = At(rr, cc);
          if (mask_[i] != 1) continue;
          if (!newOnly || (!sig_[i] && HasBit(i))) return true;
        }
      }
    }
    return false;
  }

  bool Ancestors(int r, int c, int s) const {
    for (int level = s + 1; level <= g_.levels; ++level) {
      const int shift = level - s;
      const int st = state_[At(r >> shift, c >> shift)];
      if (st == 255) continue;
      return !(st == 2 || st == 4);
    }
    return true;
  }

  void Record(SymbolKind kind, int r, int c, int symbol) {
    trace_.push_back(SymbolTrace{kind, r, c, bp_, symbol, coder_.Shifts()});
  }

  void Significant(int i, int r, int c, bool negative) {
    const std::uint32_t v = 1u << (bp_ & 31);
    rec_[i] = negative ? static_cast<std::int32_t>(0u - v) : static_cast<std::int32_t>(v);
    sig_[i] = 1;
    list_.emplace_back(r, c);
  }

  bool LowBand() {
    if (!coder_.PassMayStart()) return false;
    const int rows = g_.paddedHeight >> g_.levels, columns = g_.paddedWidth >> g_.levels;
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        const int i = At(r, c);
        if (mask_[i] != 1 || sig_[i]) continue;
        const int intended = HasBit(i) ? ((*target_)[i] < 0 ? 1 : 0) : 2;
        const int symbol = coder_.Code(low_, intended, true);
        if (symbol < 0) return false;
        Record(SymbolKind::kLowBand, r, c, symbol);
        state_[i] = static_cast<std::uint8_t>(symbol);
        if (symbol < 2) Significant(i, r, c, symbol == 1);
      }
    }
    return true;
  }

  bool Band(int s, int band) {
    if (!coder_.PassMayStart()) return false;
    bool goOn = true;
    ForBand(s, band, [&](int r, int c) {
      if (!goOn) return;
      const int i = At(r, c);
      if (mask_[i] == 1) {
        if (sig_[i] || !Ancestors(r, c, s)) return;
        int intended = 2;
        if (HasBit(i)) {
          intended = (*target_)[i] < 0 ? 1 : 0;
        } else if (s > 1 && target_ && AnyBelow(r, c, s, true)) {
          intended = 3;
        }
        const int symbol = coder_.Code(s > 1 ? band_ : fine_, intended, true);
        if (symbol < 0) {
          goOn = false;
          return;
        }
        Record(s > 1 ? SymbolKind::kBand : SymbolKind::kFineBand, r, c, symbol);
        state_[i] = static_cast<std::uint8_t>(symbol);
        if (symbol < 2) Significant(i, r, c, symbol == 1);
      } else if (s > 1 && below_[i]) {
        if (!Ancestors(r, c, s)) return;
        const int intended = target_ && AnyBelow(r, c, s, true) ? 1 : 0;
        const int flag = coder_.Code(descendant_, intended, false);
        if (flag < 0) {
          goOn = false;
          return;
        }
        Record(SymbolKind::kDescendant, r, c, flag);
        state_[i] = flag ? 5 : 4;
      }
    });
    return goOn;
  }

  bool Refine() {
    if (!coder_.PassMayStart()) return false;
    const std::uint32_t half = 1u << ((bp_ - 1) & 31);
    for (const auto& e : list_) {
      const int i = At(e.first, e.second);
      if (!sig_[i] || mask_[i] != 1) continue;
      const int intended = target_ && (Mag((*target_)[i]) & half) ? 1 : 0;
      const int bit = coder_.Code(refine_, intended, true);
      if (bit < 0) return false;
      Record(SymbolKind::kRefine, e.first, e.second, bit);
      if (bit) {
        const std::uint32_t m = Mag(rec_[i]) | half;
        rec_[i] = rec_[i] < 0 ? static_cast<std::int32_t>(0u - m) : static_cast<std::int32_t>(m);
      }
    }
    return true;
  }

  void Reorder() {
    std::uint32_t test = 0;
    for (int j = bp_; j <= top_ && j < bp_ + 32; ++j) test |= 1u << (j & 31);
    const std::uint32_t next = 1u << ((bp_ - 1) & 31);
    auto magnitude = [&](const std::pair<int, int>& e) { return Mag(rec_[At(e.first, e.second)]); };
    auto start = list_.begin();
    while (start != list_.end()) {
      const std::uint32_t key = magnitude(*start) & test;
      auto end = std::find_if(start, list_.end(), [&](const auto& e) { return (magnitude(e) & test) != key; });
      std::stable_partition(start, end, [&](const auto& e) { return (magnitude(e) & next) != 0; });
      start = end;
    }
  }

  const Geometry g_;
  const std::vector<std::int32_t>& mask_;
  const std::vector<std::int32_t>* target_;
  const int top_;
  Coder& coder_;
  std::vector<std::uint8_t> sig_;
  std::vector<std::uint8_t> state_;
  std::vector<std::uint8_t> below_;
  std::vector<std::pair<int, int>> list_;
  int bp_ = 0;
  SymbolModel low_{3}, band_{4}, fine_{3}, refine_{2}, unused_{2}, descendant_{2};
};

}  // namespace

int TopBitPlaneOf(const Geometry& g, const std::vector<std::int32_t>& levelMask,
                  const std::vector<std::int32_t>& coefficients) {
  std::uint32_t largest = 0;
  for (int i = 0; i < g.size(); ++i) {
    if (levelMask[i] == 1) largest = std::max(largest, Mag(coefficients[i]));
  }
  int p = 0;
  while (p < 31 && (largest >> (p + 1)) != 0) ++p;
  return p;
}

EncodedComponent EncodeComponent(const Geometry& g, const std::vector<std::int32_t>& levelMask,
                                 const std::vector<std::int32_t>& coefficients, int topBitPlane,
                                 int limit) {
  for (int i = 0; i < g.size(); ++i) {
    if (levelMask[i] == 1 && topBitPlane < 31 && (Mag(coefficients[i]) >> (topBitPlane + 1)) != 0) {
      throw std::logic_error("a coefficient above the top bit-plane");
    }
  }
  EncodingCoder coder(limit);
  Traversal traversal(g, levelMask, &coefficients, topBitPlane, coder);
  traversal.Run();
  EncodedComponent result;
  const std::uint64_t shifts = coder.encoder().shifts();
  result.code = coder.encoder().Finish();
  result.requiredLimit = std::max(static_cast<int>(result.code.size()) + 2,
                                  DecoderCountAfter(result.code, shifts));
  result.reconstruction = traversal.rec_;
  result.trace = traversal.trace_;
  result.complete = !coder.stopped();
  return result;
}

ReferenceDecode ReferenceDecodeComponent(const Geometry& g,
                                         const std::vector<std::int32_t>& levelMask,
                                         const std::uint8_t* segment, int limit, int topBitPlane) {
  DecodingCoder coder(segment, limit);
  Traversal traversal(g, levelMask, nullptr, topBitPlane, coder);
  traversal.Run();
  ReferenceDecode result;
  result.coefficients = traversal.rec_;
  result.trace = traversal.trace_;
  result.budgetStopped = traversal.stopped_;
  result.stoppedBitPlane = traversal.stoppedBitPlane_;
  return result;
}

// ---- Whole photos ---------------------------------------------------------------------------

std::array<std::int32_t, 3> SegmentSizesFor(std::uint32_t coefficientTotal) {
  const std::int64_t b = static_cast<std::int32_t>(coefficientTotal - 4u);
  const std::int64_t s0 = 85 * b / 100 + 10, s1 = 8 * b / 100 + 10;
  return {static_cast<std::int32_t>(s0), static_cast<std::int32_t>(s1),
          static_cast<std::int32_t>(b - s1 - s0 + 30)};
}

std::array<std::uint8_t, 1024> PhotoFromStream(const std::vector<std::uint8_t>& stream,
                                               const std::uint8_t identity[7]) {
  static const std::uint8_t kIdentity[7] = {0x00, 0x7E, 0x00, 0x00, 0x00, 0x00, 0x00};
  if (identity == nullptr) identity = kIdentity;
  std::array<std::uint8_t, 1024> photo{};
  photo[0] = 'W';
  photo[1] = 'L';
  photo[2] = 'f';
  photo[3] = identity[0];
  photo[4] = identity[1];
  photo[5] = identity[2];
  photo[6] = '2';
  photo[7] = identity[3];
  photo[8] = identity[4];
  photo[9] = identity[5];
  for (int i = 0; i < 1014; ++i) {
    const std::uint8_t b = i < static_cast<int>(stream.size()) ? stream[i] : 0;
    photo[10 + i] = b ^ 0x51;
  }
  return photo;
}

namespace {

void PushUint32(std::vector<std::uint8_t>* s, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) s->push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

BuiltPhoto BuildPhoto(const PhotoSpec& spec) {
  BuiltPhoto built;
  const Geometry g = Geometry::ForLevels(spec.levels);
  std::vector<std::uint8_t> stream;
  stream.push_back(static_cast<std::uint8_t>((spec.levels & 15) | ((spec.regionMode & 3) << 4) |
                                             ((spec.components & 3) << 6)));
  if (spec.regionMode != 0) {
    built.regionMask = ReferenceRegionMask(spec.region.chains);
    const std::vector<std::uint8_t> segment = EncodeRegionSegment(spec.region);
    PushUint32(&stream, static_cast<std::uint32_t>(segment.size()));
    stream.insert(stream.end(), segment.begin(), segment.end());
  } else {
    built.regionMask.assign(kPixels, 1);
  }
  built.levelMask = ReferenceLevelMask(g, built.regionMask);
  const int components = spec.components == 1 ? 1 : 3;
  int top[3];
  std::vector<std::int32_t> planes[3];
  for (int k = 0; k < components; ++k) {
    planes[k] = spec.coefficients[k].empty() ? std::vector<std::int32_t>(g.size(), 0) : spec.coefficients[k];
    top[k] = spec.topBitPlane[k] >= 0 ? spec.topBitPlane[k] : TopBitPlaneOf(g, built.levelMask, planes[k]);
  }

  const int available = 1014 - static_cast<int>(stream.size()) - 4;
  std::uint32_t total = 0;
  if (spec.coefficientTotalOverride >= 0) {
    total = static_cast<std::uint32_t>(spec.coefficientTotalOverride);
  } else if (spec.lossy) {
    std::int64_t b = 0;
    if (components == 3) {
      b = available - 30;
    } else {
      while (85 * (b + 1) / 100 + 10 <= available) ++b;
    }
    total = static_cast<std::uint32_t>(b + 4);
  }
  std::array<std::int32_t, 3> sizes{};
  if (spec.coefficientTotalOverride >= 0 || spec.lossy) {
    sizes = SegmentSizesFor(total);
    for (int k = 0; k < components; ++k) {
      built.encoded[k] = EncodeComponent(g, built.levelMask, planes[k], top[k],
                                         spec.lossy ? std::max(sizes[k] - 1, 2) : 0);
    }
  } else {
    for (int k = 0; k < components; ++k) built.encoded[k] = EncodeComponent(g, built.levelMask, planes[k], top[k]);
    std::int64_t b = 0;
    for (;; ++b) {
      sizes = SegmentSizesFor(static_cast<std::uint32_t>(b + 4));
      bool fits = true;
      for (int k = 0; k < components; ++k) fits = fits && sizes[k] - 1 >= built.encoded[k].requiredLimit;
      if (fits) break;
      if (b > 4000) throw std::runtime_error("the coefficients do not fit a photo");
    }
    total = static_cast<std::uint32_t>(b + 4);
  }
  built.coefficientTotal = total;
  PushUint32(&stream, total);
  for (int k = 0; k < components; ++k) {
    if (sizes[k] < 2) break;
    stream.push_back(static_cast<std::uint8_t>(top[k]));
    std::vector<std::uint8_t> code = built.encoded[k].code;
    if (static_cast<int>(code.size()) > sizes[k] - 3) code.resize(static_cast<std::size_t>(sizes[k] - 3));
    built.segmentStart[k] = static_cast<int>(stream.size());
    built.segmentLimit[k] = sizes[k] - 1;
    const std::vector<std::uint8_t> segment = MakeSegment(code, sizes[k] - 1);
    stream.insert(stream.end(), segment.begin(), segment.end());
    built.expectedCoefficients[k] = built.encoded[k].reconstruction;
  }
  if (stream.size() > 1014 && spec.coefficientTotalOverride < 0) {
    throw std::runtime_error("the photo does not fit 1014 bytes");
  }
  built.streamUsed = static_cast<int>(stream.size());
  if (stream.size() > 1014) stream.resize(1014);
  built.bytes = PhotoFromStream(stream, spec.identity);
  return built;
}

namespace {

// JFIF's conversion in 16-bit fixed point, rounded: integers only, so that every build (x87
// or SSE2, any C runtime) gives the same planes and so the same photo bytes.
std::array<std::int32_t, 3> RgbToYcc(const std::uint8_t* rgb) {
  const std::int32_t R = rgb[0], G = rgb[1], B = rgb[2];
  constexpr std::int32_t kHalf = 1 << 15, kOffset = 128 << 16;
  const std::int32_t y = (19595 * R + 38470 * G + 7471 * B + kHalf) >> 16;
  const std::int32_t cb = (-11059 * R - 21709 * G + 32768 * B + kOffset + kHalf) >> 16;
  const std::int32_t cr = (32768 * R - 27439 * G - 5329 * B + kOffset + kHalf) >> 16;
  return {y, std::min(cb, 255), std::min(cr, 255)};  // only pure blue or red reach 256
}

}  // namespace

BuiltPhoto EncodeRgbPhoto(const std::vector<std::uint8_t>& rgb, const std::vector<std::uint8_t>* region,
                          int levels, const std::uint8_t background[3]) {
  PhotoSpec spec;
  spec.levels = levels;
  spec.components = 3;
  spec.lossy = true;
  std::vector<std::uint8_t> mask(kPixels, 1);
  if (region != nullptr) {
    spec.regionMode = 1;
    spec.region.fillFlag = 0;
    std::copy(background, background + 3, spec.region.background);
    spec.region.chains.push_back(TraceOutline(*region));
    mask = ReferenceRegionMask(spec.region.chains);
  }
  const Geometry g = Geometry::ForLevels(levels);
  std::vector<std::int32_t> planes[3];
  for (auto& p : planes) p.assign(g.size(), 0);
  for (int r = 0; r < kHeight; ++r) {
    for (int c = 0; c < kWidth; ++c) {
      const auto ycc = RgbToYcc(&rgb[3 * (r * kWidth + c)]);
      for (int k = 0; k < 3; ++k) planes[k][r * g.paddedWidth + c] = ycc[k];
    }
  }
  for (int k = 0; k < 3; ++k) spec.coefficients[k] = ForwardShapeTransform(g, mask, planes[k]);
  return BuildPhoto(spec);
}

namespace {

// The pictures are drawn in integers alone, like the conversion above, so that their photos
// are the same bytes in every build.
bool InEllipse(int r, int c, int cr, int cc, int ar, int ac) {
  const int y = r - cr, x = c - cc;
  return x * x * ar * ar + y * y * ac * ac <= ar * ar * ac * ac;
}

bool InPortraitRegion(int r, int c) {
  if (InEllipse(r, c, 50, 51, 40, 31)) return true;            // head and hair
  if (r >= 80 && r < 100 && c >= 38 && c <= 63) return true;    // neck
  if (r >= 96) return 5 * std::abs(c - 51) <= 120 + 8 * (r - 96);  // shoulders
  return false;
}

// A wave of amplitude 10 about 0 (one period in 12 steps of its argument), for the hair.
int Wave(int step) {
  static const int kWave[12] = {0, 5, 9, 10, 9, 5, 0, -5, -9, -10, -9, -5};
  return kWave[step % 12];
}

std::array<int, 3> PortraitPixel(int r, int c) {
  if (!InPortraitRegion(r, c)) return {236, 240, 248};  // background
  if (r >= 96 && !InEllipse(r, c, 50, 51, 40, 31)) {  // shirt
    return {40 + 3 * (c % 17) / 10, 52 + r / 5, 96 + 2 * (125 - r) / 5};
  }
  if (r < 30 || (r < 50 && !InEllipse(r, c, 56, 51, 34, 26))) {  // hair
    return {58 + Wave(c * 4), 40 + 6 * Wave(r * 5) / 10, 30};
  }
  if (InEllipse(r, c, 48, 39, 3, 5) || InEllipse(r, c, 48, 63, 3, 5)) return {40, 40, 40};  // eyes
  if (InEllipse(r, c, 71, 51, 3, 10)) return {170, 70, 70};                                  // mouth
  // Skin, shaded away from the face's middle, in thousandths.
  const int shade = 1000 - 250 * std::abs(c - 51) / 31 - 100 * std::abs(r - 55) / 40;
  std::array<int, 3> skin = {228 * shade / 1000, 184 * shade / 1000, 156 * shade / 1000};
  if (r >= 52 && r <= 64 && std::abs(c - 51) <= 2) {  // nose
    skin = {skin[0] * 92 / 100, skin[1] * 9 / 10, skin[2] * 9 / 10};
  }
  return skin;
}

}  // namespace

std::vector<std::uint8_t> SyntheticPortraitRegion() {
  std::vector<std::uint8_t> mask(kPixels, 0);
  for (int r = 0; r < kHeight; ++r)
    for (int c = 0; c < kWidth; ++c) mask[r * kWidth + c] = InPortraitRegion(r, c) ? 1 : 0;
  return mask;
}

std::vector<std::uint8_t> SyntheticPortrait() {
  std::vector<std::uint8_t> rgb(kPixels * 3);
  for (int r = 0; r < kHeight; ++r) {
    for (int c = 0; c < kWidth; ++c) {
      const auto pixel = PortraitPixel(r, c);
      for (int k = 0; k < 3; ++k) rgb[3 * (r * kWidth + c) + k] = static_cast<std::uint8_t>(std::clamp(pixel[k], 0, 255));
    }
  }
  return rgb;
}

}  // namespace vantel_test::photo
