#include "library/cards/photo/photo_coefficients.h"

#include <algorithm>

#include "library/cards/photo/qm_decoder.h"

namespace vantel::photo {

int ReadCoefficientLayout(WltStream& stream, const WltDecodeContext& context,
                          ComponentSegment segments[3]) {
  std::uint32_t total = 0;
  if (!stream.ReadUint32(&total)) return kWltPastStream;
  const SegmentSizes sizes = ComputeSegmentSizes(total);
  for (int k = 0; k < context.components; ++k) {
    const std::int32_t size = sizes.s[k];
    // The top bit-plane byte, then S_k - 1 segment bytes of which the first is the marker.
    if (size < 2 || size > stream.remaining()) return kWltPastStream;
    std::uint8_t top = 0;
    stream.ReadByte(&top);
    segments[k].topBitPlane = top;
    segments[k].limit = size - 1;
    stream.Take(size - 1, &segments[k].segment);
    if (segments[k].segment[0] != kSegmentMarker) return kWltNoMarker;
  }
  return kWltOk;
}

namespace {

constexpr int kBandHL = 0, kBandLH = 1, kBandHH = 2;

std::uint32_t Magnitude(std::int32_t v) {
  return v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v);
}

class ComponentDecoder {
 public:
  ComponentDecoder(WltDecodeContext& context, PhotoPlanes& planes, const ComponentSegment& segment)
      : context_(context),
        planes_(planes),
        segment_(segment),
        budget_(segment.limit),
        pw_(planes.paddedWidth),
        coded_(planes.coded.get()),
        coefficients_(planes.coefficients.data()),
        significance_(planes.significance.get()),
        codedBelow_(planes.codedBelow.get()),
        list_(planes.list.get()),
        scratch_(planes.scratch.get()) {}

  void Run() {
    std::fill(planes_.coefficients.begin(), planes_.coefficients.end(), 0);
    std::fill(significance_, significance_ + planes_.coefficients.size(), 0);
    if (!decoder_.Start(segment_.segment, segment_.limit)) return;  // checked by the layout
    top_ = segment_.topBitPlane;
    for (bp_ = top_; bp_ >= 0;) {
      context_.bitPlane = bp_;
      bit_ = 1u << (bp_ & 31);
      bool goOn = LowestBandPass();
      for (int s = context_.levels; goOn && s >= 1; --s) {
        for (int band = kBandHL; goOn && band <= kBandHH; ++band) goOn = BandPass(s, band);
      }
      if (goOn && bp_ > 0) {
        goOn = RefinementPass();
        if (goOn) ReorderList();
      }
      if (!goOn) break;
      --bp_;
      if (budget_.Stopped(decoder_)) break;
    }
  }

 private:
  bool Stopped() { return budget_.Stopped(decoder_); }

  void MakeSignificant(int i, bool negative) {
    coefficients_[i] = negative ? static_cast<std::int32_t>(0u - bit_) : static_cast<std::int32_t>(bit_);
    significance_[i] = 1;
    list_[listSize_++] = ListEntry{static_cast<std::uint32_t>(i)};
  }

  bool LowestBandPass() {
    if (Stopped()) return false;
    const int rows = planes_.paddedHeight >> context_.levels;
    const int columns = planes_.paddedWidth >> context_.levels;
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        const int i = r * pw_ + c;
        if (!coded_[i] || significance_[i]) continue;
        const int symbol = decoder_.DecodeSymbol(lowBandModel_);
        if (Stopped()) return false;
        if (symbol == 0 || symbol == 1) {
          MakeSignificant(i, symbol == 1);
        } else {
          coefficients_[i] = 0;
        }
      }
    }
    return true;
  }

  // The positions of a detail band: HL is scanned column by column, LH and HH row by row.
  // A line is one column (HL) or row (LH, HH); `across` runs along it. Position indices:
  // origin + line * lineStep + across * acrossStep.
  struct BandArea {
    int origin;
    int lines;
    int across;
    int lineStep;
    int acrossStep;
  };

  BandArea AreaOf(int s, int band) const {
    const int rows = planes_.paddedHeight >> s;
    const int columns = planes_.paddedWidth >> s;
    const int origin = (band == kBandHL ? 0 : rows) * pw_ + (band == kBandLH ? 0 : columns);
    if (band == kBandHL) return BandArea{origin, columns, rows, 1, pw_};
    return BandArea{origin, rows, columns, pw_, 1};
  }

  enum class Reach { kNo, kYes, kStopped };

  // Codes position i when the band pass codes it at all (level mask 1 and not yet
  // significant, or a descendant flag position) and tells whether its descendants are
  // reached: a zerotree root or a flag 0 skips them, any other state lets them be coded.
  Reach CodePosition(int i, SymbolModel& model) {
    if (coded_[i]) {
      if (significance_[i]) return Reach::kYes;
      const int symbol = decoder_.DecodeSymbol(model);
      if (Stopped()) return Reach::kStopped;
      if (symbol == 0 || symbol == 1) MakeSignificant(i, symbol == 1);
      return symbol == 2 ? Reach::kNo : Reach::kYes;
    }
    // No coded position below: the pass goes over it.
    if (!codedBelow_[i]) return Reach::kNo;
    // A descendant flag; no budget check follows it.
    return decoder_.DecodeSymbol(descendantModel_) ? Reach::kYes : Reach::kNo;
  }

  // Codes the position `across` of the line starting at `lineOrigin`; keeps it in `reached`
  // (when given) if its descendants are reached. False when the budget stopped the component.
  bool Visit(const BandArea& area, int lineOrigin, int across, SymbolModel& model,
             ReachedBand* reached, int* kept) {
    const Reach reach = CodePosition(lineOrigin + across * area.acrossStep, model);
    if (reach == Reach::kStopped) return false;
    if (reach == Reach::kYes && reached != nullptr) {
      reached->across[(*kept)++] = static_cast<std::uint16_t>(across);
    }
    return true;
  }

  // One band pass in the band's scan order. At level L every position is visited; below
  // it only the children of the parents whose descendants are reached, which the parent
  // band's pass of this bit-plane kept line by line (a parent line holds the parents of two
  // child lines, each parent two children along the line). The reached positions of this
  // band go to `reached` for the next finer level (none at level 1). False when the budget
  // stopped the component.
  bool BandPass(int s, int band) {
    if (Stopped()) return false;
    const BandArea area = AreaOf(s, band);
    SymbolModel& model = s > 1 ? bandModel_ : fineBandModel_;
    ReachedBand* reached = s > 1 ? &planes_.reached[s & 1][band] : nullptr;
    const ReachedBand& parents = planes_.reached[(s + 1) & 1][band];
    int kept = 0;
    for (int line = 0; line < area.lines; ++line) {
      if (reached != nullptr) reached->lineStart[line] = kept;
      const int lineOrigin = area.origin + line * area.lineStep;
      if (s == context_.levels) {
        for (int a = 0; a < area.across; ++a) {
          if (!Visit(area, lineOrigin, a, model, reached, &kept)) return false;
        }
        continue;
      }
      const int parentLine = line >> 1;
      for (int p = parents.lineStart[parentLine]; p < parents.lineStart[parentLine + 1]; ++p) {
        const int a = 2 * parents.across[p];
        if (!Visit(area, lineOrigin, a, model, reached, &kept)) return false;
        if (!Visit(area, lineOrigin, a + 1, model, reached, &kept)) return false;
      }
    }
    if (reached != nullptr) reached->lineStart[area.lines] = kept;
    return true;
  }

  bool RefinementPass() {
    if (Stopped()) return false;
    const std::uint32_t half = 1u << ((bp_ - 1) & 31);
    for (int n = 0; n < listSize_; ++n) {
      const std::uint32_t i = list_[n].index;
      if (!significance_[i] || !coded_[i]) continue;
      const int bit = decoder_.DecodeSymbol(refineModel_);
      if (Stopped()) return false;
      if (bit == 1) {
        const std::int32_t v = coefficients_[i];
        const std::uint32_t magnitude = Magnitude(v) | half;
        coefficients_[i] = v < 0 ? static_cast<std::int32_t>(0u - magnitude)
                                 : static_cast<std::int32_t>(magnitude);
      }
    }
    return true;
  }

  std::uint32_t EntryMagnitude(const ListEntry& e) const {
    return Magnitude(coefficients_[e.index]);
  }

  // Runs of entries that agree in bits bp..P are reordered stably: bit bp - 1 set first.
  void ReorderList() {
    std::uint32_t testMask = 0;
    if (top_ - bp_ >= 31) {
      testMask = ~0u;
    } else {
      for (int j = bp_; j <= top_; ++j) testMask |= 1u << (j & 31);
    }
    const std::uint32_t nextBit = 1u << ((bp_ - 1) & 31);
    int start = 0;
    while (start < listSize_) {
      const std::uint32_t key = EntryMagnitude(list_[start]) & testMask;
      int end = start + 1;
      while (end < listSize_ && (EntryMagnitude(list_[end]) & testMask) == key) ++end;
      int write = start;
      int kept = 0;
      for (int n = start; n < end; ++n) {
        const ListEntry e = list_[n];
        if (EntryMagnitude(e) & nextBit) {
          list_[write++] = e;
        } else {
          scratch_[kept++] = e;
        }
      }
      std::copy(scratch_, scratch_ + kept, list_ + write);
      start = end;
    }
  }

  WltDecodeContext& context_;
  PhotoPlanes& planes_;
  const ComponentSegment& segment_;
  QmDecoder decoder_;
  SegmentBudget budget_;
  const int pw_;
  const std::uint8_t* coded_;
  std::int32_t* coefficients_;
  std::uint8_t* significance_;
  const std::uint8_t* codedBelow_;
  ListEntry* list_;
  ListEntry* scratch_;
  int listSize_ = 0;
  int top_ = 0;
  int bp_ = 0;
  std::uint32_t bit_ = 1;

  SymbolModel lowBandModel_{3};
  SymbolModel bandModel_{4};
  SymbolModel fineBandModel_{3};
  SymbolModel refineModel_{2};
  [[maybe_unused]] SymbolModel unusedModel_{2};  // created by the format, never used
  SymbolModel descendantModel_{2};
};

}  // namespace

void DecodeComponent(WltDecodeContext& context, PhotoPlanes& planes,
                     const ComponentSegment& segment) {
  ComponentDecoder(context, planes, segment).Run();
}

}  // namespace vantel::photo
