#include "library/cards/photo/qm_decoder.h"

namespace vantel::photo {

// ITU-T T.81 Annex D, Table D.2: Qe, Next_Index_LPS, Next_Index_MPS, Switch_MPS.
const QmStateRow kQmStateTable[kQmStateCount] = {
    {0x5A1D, 1, 1, 1},  // 0
    {0x2586, 14, 2, 0},  // 1
    {0x1114, 16, 3, 0},  // 2
    {0x080B, 18, 4, 0},  // 3
    {0x03D8, 20, 5, 0},  // 4
    {0x01DA, 23, 6, 0},  // 5
    {0x00E5, 25, 7, 0},  // 6
    {0x006F, 28, 8, 0},  // 7
    {0x0036, 30, 9, 0},  // 8
    {0x001A, 33, 10, 0},  // 9
    {0x000D, 35, 11, 0},  // 10
    {0x0006, 9, 12, 0},  // 11
    {0x0003, 10, 13, 0},  // 12
    {0x0001, 12, 13, 0},  // 13
    {0x5A7F, 15, 15, 1},  // 14
    {0x3F25, 36, 16, 0},  // 15
    {0x2CF2, 38, 17, 0},  // 16
    {0x207C, 39, 18, 0},  // 17
    {0x17B9, 40, 19, 0},  // 18
    {0x1182, 42, 20, 0},  // 19
    {0x0CEF, 43, 21, 0},  // 20
    {0x09A1, 45, 22, 0},  // 21
    {0x072F, 46, 23, 0},  // 22
    {0x055C, 48, 24, 0},  // 23
    {0x0406, 49, 25, 0},  // 24
    {0x0303, 51, 26, 0},  // 25
    {0x0240, 52, 27, 0},  // 26
    {0x01B1, 54, 28, 0},  // 27
    {0x0144, 56, 29, 0},  // 28
    {0x00F5, 57, 30, 0},  // 29
    {0x00B7, 59, 31, 0},  // 30
    {0x008A, 60, 32, 0},  // 31
    {0x0068, 62, 33, 0},  // 32
    {0x004E, 63, 34, 0},  // 33
    {0x003B, 32, 35, 0},  // 34
    {0x002C, 33, 9, 0},  // 35
    {0x5AE1, 37, 37, 1},  // 36
    {0x484C, 64, 38, 0},  // 37
    {0x3A0D, 65, 39, 0},  // 38
    {0x2EF1, 67, 40, 0},  // 39
    {0x261F, 68, 41, 0},  // 40
    {0x1F33, 69, 42, 0},  // 41
    {0x19A8, 70, 43, 0},  // 42
    {0x1518, 72, 44, 0},  // 43
    {0x1177, 73, 45, 0},  // 44
    {0x0E74, 74, 46, 0},  // 45
    {0x0BFB, 75, 47, 0},  // 46
    {0x09F8, 77, 48, 0},  // 47
    {0x0861, 78, 49, 0},  // 48
    {0x0706, 79, 50, 0},  // 49
    {0x05CD, 48, 51, 0},  // 50
    {0x04DE, 50, 52, 0},  // 51
    {0x040F, 50, 53, 0},  // 52
    {0x0363, 51, 54, 0},  // 53
    {0x02D4, 52, 55, 0},  // 54
    {0x025C, 53, 56, 0},  // 55
    {0x01F8, 54, 57, 0},  // 56
    {0x01A4, 55, 58, 0},  // 57
    {0x0160, 56, 59, 0},  // 58
    {0x0125, 57, 60, 0},  // 59
    {0x00F6, 58, 61, 0},  // 60
    {0x00CB, 59, 62, 0},  // 61
    {0x00AB, 61, 63, 0},  // 62
    {0x008F, 61, 32, 0},  // 63
    {0x5B12, 65, 65, 1},  // 64
    {0x4D04, 80, 66, 0},  // 65
    {0x412C, 81, 67, 0},  // 66
    {0x37D8, 82, 68, 0},  // 67
    {0x2FE8, 83, 69, 0},  // 68
    {0x293C, 84, 70, 0},  // 69
    {0x2379, 86, 71, 0},  // 70
    {0x1EDF, 87, 72, 0},  // 71
    {0x1AA9, 87, 73, 0},  // 72
    {0x174E, 72, 74, 0},  // 73
    {0x1424, 72, 75, 0},  // 74
    {0x119C, 74, 76, 0},  // 75
    {0x0F6B, 74, 77, 0},  // 76
    {0x0D51, 75, 78, 0},  // 77
    {0x0BB6, 77, 79, 0},  // 78
    {0x0A40, 77, 48, 0},  // 79
    {0x5832, 80, 81, 1},  // 80
    {0x4D1C, 88, 82, 0},  // 81
    {0x438E, 89, 83, 0},  // 82
    {0x3BDD, 90, 84, 0},  // 83
    {0x34EE, 91, 85, 0},  // 84
    {0x2EAE, 92, 86, 0},  // 85
    {0x299A, 93, 87, 0},  // 86
    {0x2516, 86, 71, 0},  // 87
    {0x5570, 88, 89, 1},  // 88
    {0x4CA9, 95, 90, 0},  // 89
    {0x44D9, 96, 91, 0},  // 90
    {0x3E22, 97, 92, 0},  // 91
    {0x3824, 99, 93, 0},  // 92
    {0x32B4, 99, 94, 0},  // 93
    {0x2E17, 93, 86, 0},  // 94
    {0x56A8, 95, 96, 1},  // 95
    {0x4F46, 101, 97, 0},  // 96
    {0x47E5, 102, 98, 0},  // 97
    {0x41CF, 103, 99, 0},  // 98
    {0x3C3D, 104, 100, 0},  // 99
    {0x375E, 99, 93, 0},  // 100
    {0x5231, 105, 102, 0},  // 101
    {0x4C0F, 106, 103, 0},  // 102
    {0x4639, 107, 104, 0},  // 103
    {0x415E, 103, 99, 0},  // 104
    {0x5627, 105, 106, 1},  // 105
    {0x50E7, 108, 107, 0},  // 106
    {0x4B85, 109, 103, 0},  // 107
    {0x5597, 110, 109, 0},  // 108
    {0x504F, 111, 107, 0},  // 109
    {0x5A10, 110, 111, 1},  // 110
    {0x5522, 112, 109, 0},  // 111
    {0x59EB, 112, 111, 1},  // 112
};

SymbolModel::SymbolModel(int symbols) : symbols_(symbols) {
  if (symbols_ < 2) symbols_ = 2;
  if (symbols_ > kMaxSymbols) symbols_ = kMaxSymbols;
  int leafCounter = 0;
  Build(0, symbols_, &leafCounter);
}

void SymbolModel::Build(int k, int m, int* leafCounter) {
  const int first = (m + 1) / 2;
  const int second = m / 2;
  Node& n = nodes_[k];
  n.context = QmContext{};
  if (first == 1) {
    n.branch[0] = Branch{true, static_cast<std::uint8_t>((*leafCounter)++)};
  } else {
    n.branch[0] = Branch{false, static_cast<std::uint8_t>(k + 1)};
    Build(k + 1, first, leafCounter);
  }
  if (m < 4) {
    n.branch[1] = Branch{true, static_cast<std::uint8_t>((*leafCounter)++)};
  } else {
    n.branch[1] = Branch{false, static_cast<std::uint8_t>(k + first)};
    Build(k + first, second, leafCounter);
  }
}

bool QmDecoder::Start(const std::uint8_t* segment, int limit) {
  if (segment == nullptr || limit < 1 || segment[0] != 0x6F) return false;
  segment_ = segment;
  limit_ = limit;
  count_ = 1;
  a_ = 0x10000;
  c_ = 0;
  ByteIn();
  c_ <<= 8;
  ByteIn();
  c_ <<= 8;
  ct_ = 0;
  rawBits_ = SymbolModel(2);
  return true;
}

std::uint8_t QmDecoder::Fetch() {
  if (count_ < 0x7FFFFFFF) ++count_;
  if (count_ >= limit_) return 0;
  return segment_[count_ - 1];
}

void QmDecoder::ByteIn() {
  std::uint8_t b = Fetch();
  lastByte_ = b;
  if (b == 0xFF) {
    std::uint8_t b1 = Fetch();
    lastByte_ = b1;
    if (b1 == 0) c_ |= 0xFF00u;
    // Any other byte after 0xFF: both are consumed and nothing is added.
  } else {
    c_ += static_cast<std::uint32_t>(b) << 8;
  }
}

int QmDecoder::DecodeTreeSymbol(SymbolModel& model) {
  int k = 0;
  for (;;) {
    SymbolModel::Node& n = model.node(k);
    const SymbolModel::Branch& b = n.branch[Decode(n.context)];
    if (b.leaf) return b.value;
    k = b.value;
  }
}

std::int64_t QmDecoder::ReadBits(int k) {
  if (k < 1 || k > 32) return -1;
  std::int64_t value = 0;
  for (int i = 0; i < k; ++i) value = value * 2 + DecodeSymbol(rawBits_);
  return value;
}

}  // namespace vantel::photo
