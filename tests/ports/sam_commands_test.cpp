// The SAM commands on every transport the simulator reaches: results, data and the request
// bytes on the wire.
#include "library/device/sam_commands.h"

#include <gtest/gtest.h>

#include "library/device/device_state.h"
#include "library/device/port_api.h"
#include "transport_rig.h"

namespace vantel {
namespace {

using vantel_test::Bytes;
using vantel_test::SamAnswer;
using vantel_test::SamRequest;
using vantel_test::TransportRig;
using vantel_test::Via;

class SamCommands : public ::testing::TestWithParam<Via> {
 protected:
  void SetUp() override {
    if (!rig.failure().empty()) GTEST_SKIP() << rig.failure();
    ASSERT_EQ(OpenPort(rig.Port()), 144);
    rig.sim().ClearRequests();
  }

  // The one request the command sent, as a frame.
  Bytes OnlyRequest() {
    std::vector<Bytes> requests = rig.sim().Requests();
    EXPECT_EQ(requests.size(), 1u);
    return requests.empty() ? Bytes{} : requests.front();
  }

  TransportRig rig{GetParam()};
};

TEST_P(SamCommands, StatusSendsTheStatusFrameAndGivesSw3) {
  EXPECT_EQ(GetSamStatus(rig.Port(), 0), 144);
  EXPECT_EQ(OnlyRequest(), (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x11, 0xFF, 0xED}));
}

TEST_P(SamCommands, StatusWithAnErrorWordGivesZero) {
  rig.sim().OnSamCommand(0x11, 0xFF, [](const SamRequest&) { return SamAnswer{0x01, 0x00, 0x90, {}}; });
  EXPECT_EQ(GetSamStatus(rig.Port(), 0), 0);
}

TEST_P(SamCommands, ResetGivesTheSamsStatus) {
  rig.sim().OnSamCommand(0x10, 0xFF, [](const SamRequest&) { return SamAnswer{0, 0, 0x91, {}}; });
  if (GetParam() == Via::kNetwork) {
    EXPECT_EQ(ResetSam(rig.Port(), 0), 1);  // the network reader has no reset branch
    EXPECT_TRUE(rig.sim().Requests().empty());
    return;
  }
  EXPECT_EQ(ResetSam(rig.Port(), 0), 0x91);
  EXPECT_EQ(OnlyRequest(), (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x10, 0xFF, 0xEC}));
}

TEST_P(SamCommands, SamIdCarriesTheSixteenBytes) {
  if (GetParam() == Via::kNetwork) GTEST_SKIP() << "the network reader has no SAM id branch";
  unsigned char id[16] = {};
  EXPECT_EQ(GetSamId(rig.Port(), id, 0), 144);
  EXPECT_EQ(Bytes(id, id + 16), rig.sim().Sam().samId);
  EXPECT_EQ(OnlyRequest(), (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x12, 0xFF, 0xEE}));
}

TEST_P(SamCommands, ManagementInformationCarriesTwentyEightBytes) {
  for (int i = 0; i < 28; ++i) rig.sim().Sam().managementInfo[i] = static_cast<std::uint8_t>(i + 1);
  unsigned char info[28] = {};
  EXPECT_EQ(ReadMngInfo(rig.Port(), info, 0), 144);
  EXPECT_EQ(Bytes(info, info + 28), rig.sim().Sam().managementInfo);
  EXPECT_EQ(OnlyRequest(), (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x30, 0x05, 0x36}));
}

TEST_P(SamCommands, NewAddressRecordIsCopied) {
  if (GetParam() == Via::kHid) GTEST_SKIP() << "HID takes the length from the report size";
  if (GetParam() == Via::kPcsc) GTEST_SKIP() << "PC/SC readers place the record two bytes later";
  const Bytes address = {0x11, 0x00, 0x22, 0x00, 0x33, 0x00, 0x44, 0x00};
  rig.sim().OnSamCommand(0x30, 0x03, [address](const SamRequest&) {
    return SamAnswer{0, 0, 0x90, address};
  });
  unsigned char out[280] = {};
  unsigned length = 99;
  EXPECT_EQ(ReadNewAppMsg(rig.Port(), out, &length, 0), 144);
  EXPECT_EQ(length, address.size());
  EXPECT_EQ(Bytes(out, out + address.size()), address);
}

TEST_P(SamCommands, RfFrameSizeIsSentOnTheByteStreamOnly) {
  const int result = SetMaxRfByte(rig.Port(), 80, 0);
  const Via via = GetParam();
  if (via == Via::kHid || via == Via::kPcsc) {
    EXPECT_EQ(result, 144);
    EXPECT_TRUE(rig.sim().Requests().empty());
  } else if (via == Via::kNetwork) {
    EXPECT_EQ(result, 1);
  } else {
    EXPECT_EQ(result, 144);
    EXPECT_EQ(OnlyRequest(),
              (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x61, 0xFF, 80, 80 ^ 0x9A}));
    EXPECT_EQ(rig.sim().Sam().rfFrameSize, 80);
  }
}

INSTANTIATE_TEST_SUITE_P(EveryTransport, SamCommands,
                         ::testing::Values(Via::kSerial, Via::kNetwork, Via::kHid, Via::kUsbDriver,
                                           Via::kUsbPipes, Via::kPcsc),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

// Cases that need no reader at all or one of a particular kind.
class SamCommandEdges : public ::testing::Test {
 protected:
  void SetUp() override { vantel_test::ResetLibraryState(); }
  void TearDown() override { vantel_test::ResetLibraryState(); }
};

TEST_F(SamCommandEdges, StatusWithOpenOnAnEmptyComPortGivesOne) {
  vantel_test::TransportRig rig(Via::kSerial);  // a serial folder without COM1 in it
  EXPECT_EQ(GetSamStatus(1, 1), 1);
  EXPECT_EQ(Device().gPort, 0);
}

TEST_F(SamCommandEdges, SamIdOnTheNetworkPortGivesOne) {
  unsigned char id[16] = {};
  EXPECT_EQ(GetSamId(kNetPort, id, 0), 1);
}

TEST_F(SamCommandEdges, RfFrameSizeOnHidSendsNothing) {
  vantel_test::TransportRig rig(Via::kHid);
  EXPECT_EQ(SetMaxRfByte(kHidPort, 80, 0), 144);
  EXPECT_TRUE(rig.sim().Requests().empty());
}

TEST_F(SamCommandEdges, NewAddressOfAStatusOnlyAnswerOnComIsEmpty) {
  vantel_test::TransportRig rig(Via::kSerial);
  rig.sim().OnSamCommand(0x30, 0x03, [](const SamRequest&) { return SamAnswer{0, 0, 0x91, {}}; });
  unsigned char out[280];
  std::fill(std::begin(out), std::end(out), 0xEE);
  unsigned length = 99;
  EXPECT_EQ(ReadNewAppMsg(rig.Port(), out, &length, 1), 0x91);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(out[0], 0xEE);
  EXPECT_EQ(Device().gReadHandle, nullptr);  // opened and closed again
}

TEST_F(SamCommandEdges, CommandsOnAPortOfNoTransportGiveOne) {
  EXPECT_EQ(GetSamStatus(5000, 0), 1);
  EXPECT_EQ(ResetSam(0, 0), 1);
}

TEST_F(SamCommandEdges, SilenceOnComPassesTheFrameReadersCodeThrough) {
  vantel_test::TransportRig rig(Via::kSerial);
  ASSERT_EQ(OpenPort(rig.Port()), 144);
  Settings().gComTimeout = 300;  // a short answer wait
  rig.sim().QueueFault({vantel_test::Fault::kSilence});
  EXPECT_EQ(GetSamStatus(rig.Port(), 0), -5);
  rig.sim().QueueFault({vantel_test::Fault::kSilence});
  EXPECT_EQ(ResetSam(rig.Port(), 0), 3);
}

}  // namespace
}  // namespace vantel
