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

constexpr int kBandHL = 0, kBandHH = 2;

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
        levelMask_(planes.levelMask.data()),
        coefficients_(planes.coefficients.data()),
        significance_(planes.significance.data()),
        reach_(planes.reach.data()),
        list_(planes.list.data()),
        scratch_(planes.scratch.data()) {}

  void Run() {
    std::fill(planes_.coefficients.begin(), planes_.coefficients.end(), 0);
    std::fill(planes_.significance.begin(), planes_.significance.end(), 0);
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
    list_[listSize_++] = ListEntry{static_cast<std::uint16_t>(i / pw_), static_cast<std::uint16_t>(i % pw_)};
  }

  bool LowestBandPass() {
    if (Stopped()) return false;
    const int rows = planes_.paddedHeight >> context_.levels;
    const int columns = planes_.paddedWidth >> context_.levels;
    for (int r = 0; r < rows; ++r) {
      for (int c = 0; c < columns; ++c) {
        const int i = r * pw_ + c;
        if (levelMask_[i] != 1 || significance_[i]) continue;
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

  // One band pass over the band's candidate positions (planes.candidates: every position
  // of the band, in scan order, that has level mask 1 or carries a descendant flag; the
  // format's rules pass over all others). False when the budget stopped the component.
  //
  // The ancestor test walks the parents at levels s + 1 .. L: the nearest one given a state
  // in this bit-plane decides (a zerotree root or a flag 0 skips the position, any other
  // state lets it be coded); none at all lets it be coded. Parents are visited before their
  // children, so each position keeps what its children's walk will find (planes.reach): its
  // own state's verdict when it got one, else the verdict that reached it. The parent of a
  // candidate is a candidate of the next level, so the value a child reads is always of
  // this bit-plane.
  bool BandPass(int s, int band) {
    if (Stopped()) return false;
    const BandCandidate* candidate = planes_.candidates.data() + planes_.bandStart[3 * s + band];
    const BandCandidate* end = planes_.candidates.data() + planes_.bandStart[3 * s + band + 1];
    SymbolModel& model = s > 1 ? bandModel_ : fineBandModel_;
    for (; candidate != end; ++candidate) {
      const int i = static_cast<int>(candidate->index);
      const std::uint8_t coded = candidate->parent == kNoParent ? 1 : reach_[candidate->parent];
      std::uint8_t seen = coded;  // no state given in this bit-plane
      if (coded) {
        if (levelMask_[i] == 1) {
          if (!significance_[i]) {
            const int symbol = decoder_.DecodeSymbol(model);
            if (Stopped()) return false;
            seen = symbol != 2;  // 2: a zerotree root
            if (symbol == 0 || symbol == 1) MakeSignificant(i, symbol == 1);
          }
        } else {
          const int flag = decoder_.DecodeSymbol(descendantModel_);  // no budget check follows
          seen = static_cast<std::uint8_t>(flag);  // 0: the descendants are skipped
        }
      }
      reach_[i] = seen;
    }
    return true;
  }

  bool RefinementPass() {
    if (Stopped()) return false;
    const std::uint32_t half = 1u << ((bp_ - 1) & 31);
    for (int n = 0; n < listSize_; ++n) {
      const int i = list_[n].row * pw_ + list_[n].column;
      if (!significance_[i] || levelMask_[i] != 1) continue;
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
    return Magnitude(coefficients_[e.row * pw_ + e.column]);
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
  const std::int32_t* levelMask_;
  std::int32_t* coefficients_;
  std::uint8_t* significance_;
  std::uint8_t* reach_;
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
