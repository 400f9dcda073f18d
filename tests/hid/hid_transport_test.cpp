#include "library/device/hid_transport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "library/device/device_state.h"
#include "library/exports/hid_exports.h"
#include "support/reader_sim.h"
#include "support/reader_sim_hid.h"

namespace vantel {
namespace {

using vantel_test::Bytes;
using vantel_test::HidAttachment;
using vantel_test::SimulatedHidReader;

const Bytes kStatusRequest{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x11, 0xFF, 0xED};
const Bytes kStatusAnswer{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x90, 0x94};

// Answers every report with the same bytes.
vantel_test::ReportAnswerer AlwaysAnswer(Bytes answer) {
  return [answer](const Bytes&) { return answer; };
}

class HidTransport : public ::testing::Test {
 protected:
  void SetUp() override {
    Device().hid = HidState{};
    ClearReports();
    Settings().table[kHidReportMode] = 1;
  }
  void TearDown() override {
    Device().hid = HidState{};
    Settings().table[kHidReportMode] = 1;
  }

  static void ClearReports() {
    std::memset(Device().OutputReport, 0, sizeof Device().OutputReport);
    std::memset(Device().InputReport, 0, sizeof Device().InputReport);
  }

  static void PutRequest(const Bytes& frame) {
    ClearReports();
    std::copy(frame.begin(), frame.end(), Device().OutputReport + 1);
  }

  static Bytes InputReport(std::size_t length = vantel_test::kHidReportLength) {
    return Bytes(Device().InputReport, Device().InputReport + length);
  }

  static Bytes Padded(const Bytes& answer) { return vantel_test::InputReportsFor(answer).at(0); }

  HidAttachment hid_;
};

TEST_F(HidTransport, WithoutAReaderNothingIsSentAndTheInputReportStaysZero) {
  hid_.AddOtherDevice(0x046D, 0xC31C);
  PutRequest(kStatusRequest);
  HIDTransact();
  EXPECT_EQ(Device().hid.gHidOpen, 0);
  EXPECT_EQ(GetHIDCount(), 0);
  EXPECT_EQ(InputReport(sizeof Device().InputReport), Bytes(sizeof Device().InputReport, 0));
}

TEST_F(HidTransport, OneReaderIsSelectedAndAnExchangeCarriesTheFrameBothWays) {
  hid_.AddOtherDevice(0x046D, 0xC31C);
  SimulatedHidReader& reader = hid_.AddReader(AlwaysAnswer(kStatusAnswer));
  PutRequest(kStatusRequest);
  HIDTransact();

  EXPECT_EQ(Device().hid.gHidOpen, 1);
  EXPECT_EQ(GetHIDCount(), 1);
  ASSERT_EQ(reader.outputReports.size(), 1u);
  Bytes sent = reader.outputReports[0];
  ASSERT_EQ(sent.size(), vantel_test::kHidReportLength);
  EXPECT_EQ(sent[0], 0);  // report id
  EXPECT_TRUE(std::equal(kStatusRequest.begin(), kStatusRequest.end(), sent.begin() + 1));
  EXPECT_EQ(InputReport(), Padded(kStatusAnswer));
  EXPECT_EQ(Device().InputReport[10], 0x90);  // SW3 where the commands look for it
}

TEST_F(HidTransport, TheSimulatedReaderAnswersRequestsSpreadOverSeveralReports) {
  vantel_test::ReaderSim sim;
  sim.OnVendorCommand(0x42, [](const Bytes& payload) -> std::optional<Bytes> {
    return Bytes{0x56, static_cast<std::uint8_t>(payload.size())};
  });
  hid_.AddReader(vantel_test::AnswerThrough(sim));
  PutRequest(kStatusRequest);
  HIDTransact();
  EXPECT_EQ(InputReport(), Padded(vantel_test::SamAnswerFrame(0x00, 0x00, 0x90)));

  // A vendor request of 100 payload bytes goes out as two reports.
  Bytes payload(100, 0x11);
  payload[0] = 0x42;
  const Bytes frame = vantel_test::VendorFrame(payload);
  PutRequest(Bytes(frame.begin(), frame.begin() + 64));
  HIDWriteReport();
  PutRequest(Bytes(frame.begin() + 64, frame.end()));
  HIDWriteReport();
  HIDGetReport();
  EXPECT_EQ(InputReport(), Padded(vantel_test::VendorFrame({0x56, 100})));
  EXPECT_EQ(sim.Requests().back(), frame);
}

TEST_F(HidTransport, TwoReadersAreCountedButNoneIsSelectedUntilTheCallerChooses) {
  SimulatedHidReader& first = hid_.AddReader(AlwaysAnswer({0x01}));
  SimulatedHidReader& second = hid_.AddReader(AlwaysAnswer({0x02}));
  EXPECT_TRUE(HIDEnumerate());
  EXPECT_EQ(GetHIDCount(), 2);
  EXPECT_EQ(Device().hid.gHidDevice, nullptr);

  EXPECT_EQ(HIDSelect(0), 0);
  EXPECT_EQ(HIDSelect(3), 0);
  EXPECT_EQ(::HIDSelect(2), 1);  // through the export as well
  Device().hid.gHidOpen = 1;
  PutRequest(kStatusRequest);
  HIDTransact();
  EXPECT_TRUE(first.outputReports.empty());
  EXPECT_EQ(second.outputReports.size(), 1u);
  EXPECT_EQ(Device().InputReport[1], 0x02);
}

TEST_F(HidTransport, AnUnselectedPairOfReadersFailsTheExchangeSilently) {
  hid_.AddReader(AlwaysAnswer({0x01}));
  hid_.AddReader(AlwaysAnswer({0x02}));
  PutRequest(kStatusRequest);
  HIDTransact();
  EXPECT_EQ(Device().hid.gHidOpen, 0);
  EXPECT_EQ(InputReport(), Bytes(vantel_test::kHidReportLength, 0));
}

// The enumeration after a failed exchange: a selected reader still there stays selected
// (also among several), one that is gone is dropped; either way its read and write handles
// are the selection's, closed with it, never left open and in use without one.
TEST_F(HidTransport, AnEnumerationKeepsTheSelectedReaderOrDropsItWithItsHandles) {
  const struct {
    const char* name;
    std::function<void(SimulatedHidReader&)> change;
    std::size_t reportsToFirst;
  } cases[] = {
      {"second reader plugged in",
       [this](SimulatedHidReader&) { hid_.AddReader(AlwaysAnswer({0x02})); }, 2},
      {"selected reader gone", [](SimulatedHidReader& first) { first.productId = 0x0001; }, 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Device().hid = HidState{};
    hid_.Readers().clear();
    SimulatedHidReader& first = hid_.AddReader(AlwaysAnswer(kStatusAnswer));
    PutRequest(kStatusRequest);
    HIDTransact();
    ASSERT_EQ(first.outputReports.size(), 1u);

    c.change(first);
    Device().hid.gHidOpen = 0;
    PutRequest(kStatusRequest);
    HIDTransact();
    EXPECT_EQ(first.outputReports.size(), c.reportsToFirst);
    HIDCloseHandles();
    EXPECT_FALSE(Device().hid.gHidOutputHandle);
    EXPECT_FALSE(Device().hid.gHidInputHandle);
  }
}

TEST_F(HidTransport, TheTableHoldsSixteenReadersAndIgnoresTheRest) {
  for (int i = 0; i < 20; ++i) hid_.AddReader(AlwaysAnswer({static_cast<std::uint8_t>(i)}));
  EXPECT_TRUE(HIDEnumerate());
  EXPECT_EQ(GetHIDCount(), kHidTableSize);
  EXPECT_EQ(HIDSelect(16), 1);
  EXPECT_EQ(HIDSelect(17), 0);
}

TEST_F(HidTransport, EmptyReportsBeforeTheAnswerArePassedOverOnlyWhereTheAnswerStarts) {
  SimulatedHidReader& reader = hid_.AddReader(AlwaysAnswer(kStatusAnswer));
  reader.zeroReportsBeforeAnswer = 1;
  PutRequest(kStatusRequest);
  HIDTransact();
  EXPECT_EQ(InputReport(), Padded(kStatusAnswer));

  // A continuation report is taken as it comes, even when it is empty.
  PutRequest(kStatusRequest);
  HIDWriteReport();
  HIDGetLongReport(false);
  EXPECT_EQ(InputReport(), Bytes(vantel_test::kHidReportLength, 0));
  HIDGetLongReport(false);
  EXPECT_EQ(InputReport(), Padded(kStatusAnswer));

  // So is every report while empty reports count as answers.
  Device().hid.gAcceptEmptyReport = 1;
  PutRequest(kStatusRequest);
  HIDTransact();
  EXPECT_EQ(InputReport(), Bytes(vantel_test::kHidReportLength, 0));
  EXPECT_EQ(Device().hid.gHidOpen, 1);
}

TEST_F(HidTransport, ALongAnswerArrivesOverSeveralReports) {
  Bytes answer(150);
  for (std::size_t i = 0; i < answer.size(); ++i) answer[i] = static_cast<std::uint8_t>(i + 1);
  hid_.AddReader(AlwaysAnswer(answer));
  ASSERT_TRUE(HIDEnumerate());
  Device().hid.gHidOpen = 1;
  PutRequest(kStatusRequest);
  HIDWriteReport();
  Bytes joined;
  for (int report = 0; report < 3; ++report) {
    HIDGetLongReport(report == 0);
    joined.insert(joined.end(), Device().InputReport + 1, Device().InputReport + 65);
  }
  answer.resize(3 * vantel_test::kHidPayloadSize, 0);
  EXPECT_EQ(joined, answer);
}

TEST_F(HidTransport, AReaderThatStopsAnsweringClosesTheLinkUntilTheNextEnumeration) {
  SimulatedHidReader& reader = hid_.AddReader(AlwaysAnswer(kStatusAnswer));
  PutRequest(kStatusRequest);
  HIDTransact();
  ASSERT_EQ(Device().hid.gHidOpen, 1);

  reader.answering = false;
  PutRequest(kStatusRequest);
  HIDTransact();
  EXPECT_EQ(Device().hid.gHidOpen, 0);
  EXPECT_EQ(InputReport(), Bytes(vantel_test::kHidReportLength, 0));

  reader.answering = true;
  reader.pendingInputReports.clear();
  PutRequest(kStatusRequest);
  HIDTransact();
  EXPECT_EQ(Device().hid.gHidOpen, 1);
  EXPECT_EQ(InputReport(), Padded(kStatusAnswer));
}

TEST_F(HidTransport, ARefusedOutputReportIsTriedElevenTimes) {
  SimulatedHidReader& reader = hid_.AddReader(AlwaysAnswer(kStatusAnswer));
  reader.refusesOutput = true;
  PutRequest(kStatusRequest);
  HIDTransact();
  EXPECT_EQ(reader.refusedOutputTries, 11);
  EXPECT_EQ(Device().hid.gHidOpen, 0);
}

TEST_F(HidTransport, OverlappedModeExchangesAndCloseOnAMissingAnswer) {
  Settings().table[kHidReportMode] = 0;
  SimulatedHidReader& reader = hid_.AddReader(AlwaysAnswer(kStatusAnswer));
  PutRequest(kStatusRequest);
  HIDTransact();
  EXPECT_EQ(Device().hid.gHidOpen, 1);
  EXPECT_EQ(InputReport(), Padded(kStatusAnswer));
  EXPECT_EQ(reader.outputReports.size(), 1u);

  reader.answering = false;
  PutRequest(kStatusRequest);
  HIDTransact();
  EXPECT_EQ(Device().hid.gHidOpen, 0);
  EXPECT_EQ(Device().hid.gHidDevice, nullptr);
  EXPECT_FALSE(Device().hid.gHidInputHandle);
}

// With a reader chosen among two, a read that times out closes its handles; the next
// exchange's enumeration chooses it again, as after a failed read by report calls.
TEST_F(HidTransport, OverlappedModeKeepsTheReaderChosenAfterAMissingAnswer) {
  Settings().table[kHidReportMode] = 0;
  SimulatedHidReader& first = hid_.AddReader(AlwaysAnswer(kStatusAnswer));
  SimulatedHidReader& second = hid_.AddReader(AlwaysAnswer(kStatusAnswer));
  ASSERT_TRUE(HIDEnumerate());
  ASSERT_EQ(HIDSelect(2), 1);
  Device().hid.gHidOpen = 1;
  second.answering = false;
  PutRequest(kStatusRequest);
  HIDTransact();
  ASSERT_EQ(Device().hid.gHidOpen, 0);
  EXPECT_FALSE(Device().hid.gHidInputHandle);

  second.answering = true;
  second.pendingInputReports.clear();
  PutRequest(kStatusRequest);
  HIDTransact();
  EXPECT_EQ(Device().hid.gHidOpen, 1);
  EXPECT_TRUE(first.outputReports.empty());
  EXPECT_EQ(second.outputReports.size(), 2u);
  EXPECT_EQ(InputReport(), Padded(kStatusAnswer));
}

TEST_F(HidTransport, ClosedHandlesAreNotUsedAgain) {
  hid_.AddReader(AlwaysAnswer(kStatusAnswer));
  ASSERT_TRUE(HIDEnumerate());
  HIDCloseHandles();
  EXPECT_EQ(Device().hid.gHidDevice, nullptr);
  EXPECT_FALSE(Device().hid.gHidOutputHandle);
  // The closed reader's entry cannot be selected without a new enumeration.
  EXPECT_EQ(HIDSelect(1), 0);
  EXPECT_TRUE(HIDEnumerate());
  EXPECT_NE(Device().hid.gHidDevice, nullptr);
}

}  // namespace
}  // namespace vantel
