// The probability table, symbol models, the arithmetic decoder and its fetching,
// the raw-bit reader and the segment budget.
#include "library/cards/photo/qm_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <vector>

#include "support/photo_encoder.h"

namespace vantel::photo {
namespace {

using vantel_test::photo::MakeSegment;
using vantel_test::photo::QmEncoder;

void ExpectRow(int state, std::uint16_t qe, int nlps, int nmps, int sw) {
  SCOPED_TRACE(state);
  EXPECT_EQ(kQmStateTable[state].qe, qe);
  EXPECT_EQ(kQmStateTable[state].nextLps, nlps);
  EXPECT_EQ(kQmStateTable[state].nextMps, nmps);
  EXPECT_EQ(kQmStateTable[state].switchMps, sw);
}

TEST(QmStateTable, HoldsTheRowsOfTableD2) {
  ExpectRow(0, 0x5A1D, 1, 1, 1);
  ExpectRow(1, 0x2586, 14, 2, 0);
  ExpectRow(13, 0x0001, 12, 13, 0);
  ExpectRow(14, 0x5A7F, 15, 15, 1);
  ExpectRow(112, 0x59EB, 112, 111, 1);
}

TEST(QmStateTable, SwitchesMpsOnlyInTheTenStatesTableD2Marks) {
  const std::set<int> expected = {0, 14, 36, 64, 80, 88, 95, 105, 110, 112};
  std::set<int> actual;
  for (int i = 0; i < kQmStateCount; ++i) {
    if (kQmStateTable[i].switchMps) actual.insert(i);
  }
  EXPECT_EQ(actual, expected);
}

TEST(QmStateTable, IsAClosedStateMachineOfValidProbabilities) {
  for (int i = 0; i < kQmStateCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_LT(kQmStateTable[i].nextLps, kQmStateCount);
    EXPECT_LT(kQmStateTable[i].nextMps, kQmStateCount);
    EXPECT_GT(kQmStateTable[i].qe, 0);
    EXPECT_LT(kQmStateTable[i].qe, 0x8000);  // Qe below one half of the interval
  }
  // The three fast-attack chains start at the switching states with Qe near one half.
  EXPECT_EQ(kQmStateTable[36].qe, 0x5AE1);
  EXPECT_EQ(kQmStateTable[64].qe, 0x5B12);
}

#ifdef VANTEL_HAVE_JPEG_ARITAB
}  // namespace
}  // namespace vantel::photo
// libjpeg's own transcription of T.81 Table D.2: Qe << 16 | NMPS << 8 | SWITCH << 7 | NLPS.
extern "C" const long jpeg_aritab[];
namespace vantel::photo {
namespace {
TEST(QmStateTable, AgreesWithLibjpegsTableD2) {
  for (int i = 0; i < kQmStateCount; ++i) {
    SCOPED_TRACE(i);
    const long v = jpeg_aritab[i];
    EXPECT_EQ(kQmStateTable[i].qe, (v >> 16) & 0xFFFF);
    EXPECT_EQ(kQmStateTable[i].nextMps, (v >> 8) & 0xFF);
    EXPECT_EQ(kQmStateTable[i].switchMps, (v >> 7) & 1);
    EXPECT_EQ(kQmStateTable[i].nextLps, v & 0x7F);
  }
}
#endif


void ExpectBranch(const SymbolModel& m, int node, int branch, bool leaf, int value) {
  SCOPED_TRACE(testing::Message() << "node " << node << " branch " << branch);
  EXPECT_EQ(m.node(node).branch[branch].leaf, leaf);
  EXPECT_EQ(m.node(node).branch[branch].value, value);
}

TEST(SymbolModel, TwoSymbolsAreOneDecision) {
  SymbolModel m(2);
  EXPECT_EQ(m.nodeCount(), 1);
  ExpectBranch(m, 0, 0, true, 0);
  ExpectBranch(m, 0, 1, true, 1);
}

TEST(SymbolModel, ThreeSymbolsRootOneGivesTwo) {
  SymbolModel m(3);
  ExpectBranch(m, 0, 0, false, 1);
  ExpectBranch(m, 0, 1, true, 2);
  ExpectBranch(m, 1, 0, true, 0);
  ExpectBranch(m, 1, 1, true, 1);
}

TEST(SymbolModel, FourSymbolsUseNodesOneAndTwo) {
  SymbolModel m(4);
  ExpectBranch(m, 0, 0, false, 1);
  ExpectBranch(m, 0, 1, false, 2);
  ExpectBranch(m, 1, 0, true, 0);
  ExpectBranch(m, 1, 1, true, 1);
  ExpectBranch(m, 2, 0, true, 2);
  ExpectBranch(m, 2, 1, true, 3);
}

TEST(SymbolModel, EightSymbolsAreThreeDecisionsMostSignificantFirst) {
  SymbolModel m(8);
  EXPECT_EQ(m.nodeCount(), 7);
  ExpectBranch(m, 0, 0, false, 1);
  ExpectBranch(m, 0, 1, false, 4);
  ExpectBranch(m, 1, 0, false, 2);
  ExpectBranch(m, 1, 1, false, 3);
  ExpectBranch(m, 4, 0, false, 5);
  ExpectBranch(m, 4, 1, false, 6);
  for (int node : {2, 3, 5, 6}) {
    const int base = node == 2 ? 0 : node == 3 ? 2 : node == 5 ? 4 : 6;
    ExpectBranch(m, node, 0, true, base);
    ExpectBranch(m, node, 1, true, base + 1);
  }
}

TEST(SymbolModel, EveryContextStartsFresh) {
  for (int n = 2; n <= 8; ++n) {
    SymbolModel m(n);
    for (int k = 0; k < m.nodeCount(); ++k) {
      EXPECT_EQ(m.node(k).context.index, 0);
      EXPECT_EQ(m.node(k).context.mps, 0);
    }
  }
}

TEST(QmDecoder, RefusesASegmentWithoutTheMarker) {
  const std::uint8_t bad[4] = {0x6E, 1, 2, 3};
  const std::uint8_t good[4] = {0x6F, 1, 2, 3};
  QmDecoder d;
  EXPECT_FALSE(d.Start(bad, 4));
  EXPECT_FALSE(d.Start(good, 0));
  EXPECT_TRUE(d.Start(good, 4));
}

TEST(QmDecoder, StartFetchesTwoBytesAfterTheMarker) {
  const std::uint8_t s[6] = {0x6F, 0x12, 0x34, 0x56, 0x78, 0x9A};
  QmDecoder d;
  ASSERT_TRUE(d.Start(s, 6));
  EXPECT_EQ(d.count(), 3);
  EXPECT_EQ(d.creg(), 0x12340000u);
  EXPECT_EQ(d.a(), 0x10000u);
  EXPECT_EQ(d.ct(), 0);
}

TEST(QmDecoder, ASegmentOfTwoBytesOrLessDeliversOnlyZeros) {
  const std::uint8_t s[3] = {0x6F, 0xAB, 0xCD};
  for (int limit : {1, 2}) {
    QmDecoder d;
    ASSERT_TRUE(d.Start(s, limit));
    EXPECT_EQ(d.creg(), 0u) << limit;
  }
  QmDecoder three;
  ASSERT_TRUE(three.Start(s, 3));
  EXPECT_EQ(three.creg(), 0xAB000000u);  // byte 1 only; the last byte (2) is never used
}

TEST(QmDecoder, FFThenZeroAddsFF00AndFFThenOtherAddsNothing) {
  const std::uint8_t stuffed[5] = {0x6F, 0xFF, 0x00, 0x12, 0x99};
  const std::uint8_t marker[5] = {0x6F, 0xFF, 0x7F, 0x12, 0x99};
  QmDecoder a, b;
  ASSERT_TRUE(a.Start(stuffed, 5));
  ASSERT_TRUE(b.Start(marker, 5));
  EXPECT_EQ(a.creg(), 0xFF120000u);
  EXPECT_EQ(b.creg(), 0x00120000u);  // both bytes consumed, nothing added
  EXPECT_EQ(a.count(), 4);
  EXPECT_EQ(b.count(), 4);
}

TEST(QmDecoder, ReturnsMpsWithoutFetchingWhileAStaysAtOrAboveHalf) {
  const std::uint8_t s[8] = {0x6F, 0x00, 0x00, 0x55, 0x55, 0x55, 0x55, 0x55};
  QmDecoder d;
  ASSERT_TRUE(d.Start(s, 8));
  QmContext context;
  EXPECT_EQ(d.Decode(context), 0);
  EXPECT_EQ(d.count(), 3);              // nothing fetched
  EXPECT_EQ(d.a(), 0x10000u - 0x5A1D);  // A reduced by Qe, no renormalisation
  EXPECT_EQ(d.ct(), 0);
  EXPECT_EQ(context.index, 0);          // the state did not move
  // Now A = 0x4BC6 < Qe with Chigh below it: the conditional MPS exchange gives the LPS,
  // state 0 switches the MPS, and renormalisation fetches.
  EXPECT_EQ(d.Decode(context), 1);
  EXPECT_EQ(d.count(), 4);
  EXPECT_EQ(context.index, 1);
  EXPECT_EQ(context.mps, 1);
}

TEST(QmDecoder, TheLastByteOfASegmentHasNoInfluence) {
  std::mt19937 rng(7);
  std::vector<std::uint8_t> s(40);
  for (auto& b : s) b = static_cast<std::uint8_t>(rng());
  s[0] = 0x6F;
  for (auto& b : s) if (b == 0xFF) b = 0xFE;
  std::vector<std::uint8_t> t = s;
  t.back() ^= 0x5A;
  QmDecoder a, b;
  ASSERT_TRUE(a.Start(s.data(), 40));
  ASSERT_TRUE(b.Start(t.data(), 40));
  QmContext ca[3], cb[3];
  for (int i = 0; i < 2000; ++i) {
    ASSERT_EQ(a.Decode(ca[i % 3]), b.Decode(cb[i % 3])) << i;
    ASSERT_EQ(a.creg(), b.creg());
  }
  EXPECT_GT(a.count(), 40);  // ran past the segment's end on zeros
}

TEST(QmDecoder, DecisionsRoundTripThroughTheT81Encoder) {
  std::mt19937 rng(2024);
  for (int round = 0; round < 20; ++round) {
    const int contexts = 1 + round % 5;
    std::vector<int> which, decisions;
    std::bernoulli_distribution skew(round % 2 ? 0.05 : 0.4);
    for (int i = 0; i < 5000; ++i) {
      which.push_back(static_cast<int>(rng() % contexts));
      decisions.push_back(which.back() == 0 ? skew(rng) : static_cast<int>(rng() & 1));
    }
    QmEncoder encoder;
    std::vector<QmContext> ec(contexts), dc(contexts);
    for (std::size_t i = 0; i < decisions.size(); ++i) encoder.Encode(ec[which[i]], decisions[i]);
    const std::vector<std::uint8_t> code = encoder.Finish();
    const std::vector<std::uint8_t> segment = MakeSegment(code, static_cast<int>(code.size()) + 2, 0xEE);
    QmDecoder d;
    ASSERT_TRUE(d.Start(segment.data(), static_cast<int>(segment.size())));
    for (std::size_t i = 0; i < decisions.size(); ++i) {
      ASSERT_EQ(d.Decode(dc[which[i]]), decisions[i]) << "round " << round << " decision " << i;
    }
    for (int k = 0; k < contexts; ++k) {
      EXPECT_EQ(dc[k].index, ec[k].index);
      EXPECT_EQ(dc[k].mps, ec[k].mps);
    }
  }
}

TEST(QmDecoder, LongRunsOfOneDecisionReachTheSmallestQe) {
  QmEncoder encoder;
  QmContext ec, dc;
  std::vector<int> decisions(100000, 1);
  decisions[50000] = 0;
  for (int d : decisions) encoder.Encode(ec, d);
  const std::vector<std::uint8_t> code = encoder.Finish();
  const auto segment = MakeSegment(code, static_cast<int>(code.size()) + 2);
  QmDecoder d;
  ASSERT_TRUE(d.Start(segment.data(), static_cast<int>(segment.size())));
  for (std::size_t i = 0; i < decisions.size(); ++i) ASSERT_EQ(d.Decode(dc), decisions[i]) << i;
  EXPECT_EQ(dc.mps, 1);
}

TEST(QmDecoder, DecodeSymbolAndReadBitsRoundTrip) {
  std::mt19937 rng(5);
  QmEncoder encoder;
  SymbolModel e3(3), e4(4), e8(8), d3(3), d4(4), d8(8);
  std::vector<std::pair<int, std::uint32_t>> bits;
  std::vector<int> symbols;
  for (int i = 0; i < 3000; ++i) {
    const int kind = static_cast<int>(rng() % 4);
    if (kind == 3) {
      const int k = 1 + static_cast<int>(rng() % 32);
      const std::uint32_t v = static_cast<std::uint32_t>(rng()) & (k == 32 ? 0xFFFFFFFFu : ((1u << k) - 1));
      bits.emplace_back(k, v);
      encoder.WriteBits(k, v);
      symbols.push_back(-1);
    } else {
      const int n = kind == 0 ? 3 : kind == 1 ? 4 : 8;
      const int s = static_cast<int>(rng() % n);
      encoder.EncodeSymbol(kind == 0 ? e3 : kind == 1 ? e4 : e8, s);
      symbols.push_back(kind * 16 + s);
    }
  }
  const auto code = encoder.Finish();
  const auto segment = MakeSegment(code, static_cast<int>(code.size()) + 2);
  QmDecoder d;
  ASSERT_TRUE(d.Start(segment.data(), static_cast<int>(segment.size())));
  std::size_t b = 0;
  for (std::size_t i = 0; i < symbols.size(); ++i) {
    if (symbols[i] < 0) {
      ASSERT_EQ(d.ReadBits(bits[b].first), static_cast<std::int64_t>(bits[b].second)) << i;
      ++b;
    } else {
      const int kind = symbols[i] / 16;
      ASSERT_EQ(d.DecodeSymbol(kind == 0 ? d3 : kind == 1 ? d4 : d8), symbols[i] % 16) << i;
    }
  }
}

TEST(QmDecoder, ReadBitsOutsideOneToThirtyTwoGivesMinusOne) {
  const std::uint8_t s[4] = {0x6F, 0x12, 0x34, 0x56};
  QmDecoder d;
  ASSERT_TRUE(d.Start(s, 4));
  EXPECT_EQ(d.ReadBits(0), -1);
  EXPECT_EQ(d.ReadBits(33), -1);
  EXPECT_EQ(d.ReadBits(-3), -1);
  EXPECT_EQ(d.count(), 3);  // nothing decoded
}

TEST(SegmentBudget, StopsOnceCountPassesTheLengthAndStaysStopped) {
  std::vector<std::uint8_t> s(12, 0x37);
  s[0] = 0x6F;
  QmDecoder d;
  ASSERT_TRUE(d.Start(s.data(), 10));
  SegmentBudget budget(10);
  QmContext c;
  int decisions = 0;
  while (!budget.Stopped(d)) {
    d.Decode(c);
    ++decisions;
    if (d.count() <= 10) {
      EXPECT_FALSE(budget.Stopped(d));
    }
  }
  EXPECT_EQ(d.count(), 11);
  EXPECT_GT(decisions, 0);
  EXPECT_TRUE(budget.Stopped(d));
}

TEST(SegmentBudget, IsInactiveForALengthOfZeroOrLess) {
  const std::uint8_t s[2] = {0x6F, 0x00};
  QmDecoder d;
  ASSERT_TRUE(d.Start(s, 2));
  SegmentBudget none(0);
  QmContext c;
  for (int i = 0; i < 1000; ++i) d.Decode(c);
  EXPECT_FALSE(none.Stopped(d));
}

}  // namespace
}  // namespace vantel::photo
