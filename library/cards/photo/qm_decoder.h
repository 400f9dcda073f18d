#pragma once
// The photo's adaptive binary arithmetic decoder: the QM-coder of ITU-T T.81
// Annex D, its symbol models and raw-bit reader, and the budget of a coefficient segment.
#include <cstdint>

namespace vantel::photo {

// One row of the probability estimation table (T.81 Annex D, Table D.2).
struct QmStateRow {
  std::uint16_t qe;
  std::uint8_t nextLps;  // Next_Index_LPS
  std::uint8_t nextMps;  // Next_Index_MPS
  std::uint8_t switchMps;
};

constexpr int kQmStateCount = 113;
extern const QmStateRow kQmStateTable[kQmStateCount];

// A probability state: index I (0..112) and the more probable symbol; fresh = (0, 0).
struct QmContext {
  std::uint8_t index = 0;
  std::uint8_t mps = 0;
};

// A binary tree of n - 1 decisions over the symbols 0..n-1 (built by the rule
// "first branch ceil(m/2) symbols, second floor(m/2)"). Fixed storage: no allocation.
class SymbolModel {
 public:
  static constexpr int kMaxSymbols = 16;

  struct Branch {
    bool leaf = true;
    std::uint8_t value = 0;  // the symbol of a leaf, else the child node's number
  };
  struct Node {
    QmContext context;
    Branch branch[2];
  };

  // n in 2..kMaxSymbols; every context fresh.
  explicit SymbolModel(int symbols);

  int symbols() const { return symbols_; }
  int nodeCount() const { return symbols_ - 1; }
  Node& node(int k) { return nodes_[k]; }
  const Node& node(int k) const { return nodes_[k]; }

 private:
  void Build(int k, int m, int* leafCounter);

  int symbols_;
  Node nodes_[kMaxSymbols - 1];
};

// One QmDecoder over one coded segment (marker 0x6F, then the arithmetic-coded bytes).
class QmDecoder {
 public:
  // Starts on `segment` of `limit` bytes. False (and nothing started) when the segment has
  // no room for its marker or its first byte is not 0x6F.
  bool Start(const std::uint8_t* segment, int limit);

  // One binary decision with `context` (T.81 Annex D decoding procedures).
  int Decode(QmContext& context);
  // One symbol 0..n-1 of `model`.
  int DecodeSymbol(SymbolModel& model);
  // The same by walking the model's tree (any size).
  int DecodeTreeSymbol(SymbolModel& model);
  // A k-bit unsigned value, most significant bit first, through the decoder's own raw-bit
  // model; k outside 1..32 gives -1.
  std::int64_t ReadBits(int k);

  // Bytes requested from the segment so far, the marker included.
  int count() const { return count_; }
  std::uint32_t a() const { return a_; }
  std::uint32_t creg() const { return c_; }
  int ct() const { return ct_; }

 private:
  std::uint8_t Fetch();
  void ByteIn();
  void Renormalize();

  const std::uint8_t* segment_ = nullptr;
  int limit_ = 0;
  int count_ = 1;
  std::uint32_t a_ = 0;
  std::uint32_t c_ = 0;
  int ct_ = 0;
  std::uint8_t lastByte_ = 0;
  SymbolModel rawBits_{2};
};

// Inline: the coefficient passes run them for every coded symbol.
inline int QmDecoder::Decode(QmContext& context) {
  const QmStateRow& row = kQmStateTable[context.index];
  const std::uint32_t qe = row.qe;
  a_ -= qe;
  const std::uint32_t chigh = c_ >> 16;
  if (chigh < a_ && a_ >= 0x8000) return context.mps;
  // The conditional exchanges by comparison rather than by branch: which way they go is
  // what the coded data decides, so a branch would be mispredicted half the time.
  const bool upper = chigh >= a_;  // the LPS sub-interval
  const bool exchange = a_ < qe;
  const int lps = upper != exchange ? 1 : 0;
  const int decision = context.mps ^ lps;
  context.index = lps ? row.nextLps : row.nextMps;
  context.mps = static_cast<std::uint8_t>(context.mps ^ (lps & row.switchMps));
  c_ -= upper ? a_ << 16 : 0u;
  a_ = upper ? qe : a_;
  Renormalize();
  return decision;
}

inline void QmDecoder::Renormalize() {
  // A is 1..0x7FFF here: all the doublings at once, counted by its leading zeros, with a
  // byte read in whenever CT runs out on the way.
  int shifts = __builtin_clz(a_) - 16;
  a_ <<= shifts;
  while (shifts > ct_) {
    c_ <<= ct_;
    shifts -= ct_;
    ByteIn();
    ct_ = 8;
  }
  c_ <<= shifts;
  ct_ -= shifts;
}

inline int QmDecoder::DecodeSymbol(SymbolModel& model) {
  // The fixed trees SymbolModel builds for 2, 3 and 4 symbols, without the walk's
  // data-dependent leaf tests; the walk out of line, so that this stays small enough to
  // inline into the coefficient passes.
  switch (model.symbols()) {
    case 2:
      return Decode(model.node(0).context);
    case 3:
      return Decode(model.node(0).context) ? 2 : Decode(model.node(1).context);
    case 4: {
      const int high = Decode(model.node(0).context);
      return 2 * high + Decode(model.node(1 + high).context);
    }
    default:
      return DecodeTreeSymbol(model);
  }
}

// Tells when a coefficient segment is used up: active only for a length above 0; once the
// decoder's Count exceeds the length the test is true, and stays true.
class SegmentBudget {
 public:
  explicit SegmentBudget(int length) : length_(length) {}
  bool Stopped(const QmDecoder& decoder) {
    if (length_ > 0 && !stopped_ && decoder.count() > length_) stopped_ = true;
    return stopped_;
  }

 private:
  int length_;
  bool stopped_ = false;
};

}  // namespace vantel::photo
