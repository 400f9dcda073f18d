// The SAM commands without a reader, or with one of a particular kind.
#include "library/device/sam_commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "library/device/device_state.h"
#include "library/device/port_api.h"
#include "support/transport_rig.h"

namespace vantel {
namespace {

using vantel_test::SamAnswer;
using vantel_test::SamRequest;
using vantel_test::Via;

// Cases that need no reader at all or one of a particular kind.
class SamCommandEdges : public ::testing::Test {
 protected:
  void SetUp() override { vantel_test::ResetLibraryState(); }
  void TearDown() override { vantel_test::ResetLibraryState(); }
};

TEST_F(SamCommandEdges, StatusWithOpenOnAnEmptyComPortGivesOne) {
  vantel_test::TransportRig rig(Via::kSerial);  // no line stands behind COM200
  EXPECT_EQ(GetSamStatus(200, 1), 1);
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

// A command that opens the port closes it again on the byte stream, whatever the answer.
TEST_F(SamCommandEdges, CommandsThatOpenTheComPortCloseItOnEveryResult) {
  vantel_test::TransportRig rig(Via::kSerial);
  Device().gComBaud = 115200;  // known: the open asks nothing
  Settings().gComTimeout = 200;
  rig.sim().SetStandingFault(vantel_test::FaultPlan{vantel_test::Fault::kSilence});
  EXPECT_EQ(GetSamStatus(rig.Port(), 1), -5);
  EXPECT_FALSE(rig.SerialLineHeld());
  unsigned char out[280];
  unsigned length = 0;
  EXPECT_EQ(ReadNewAppMsg(rig.Port(), out, &length, 1), -5);
  EXPECT_FALSE(rig.SerialLineHeld());
}

}  // namespace
}  // namespace vantel
