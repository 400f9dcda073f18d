// A PC/SC reader of a known name in a real PC/SC service: the port it opens as and the SAM
// commands through it. A program of its own, since the reader stays attached throughout.
#include <gtest/gtest.h>

#include "support/environment.h"

#include "library/device/device_state.h"
#include "library/device/sam_commands.h"
#include "sam_commands_fixture.h"
#include "support/pcsc_attachment.h"
#include "support/pcsc_service.h"

namespace vantel {

INSTANTIATE_TEST_SUITE_P(Pcsc, SamCommands, ::testing::Values(Via::kPcsc),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

namespace {

constexpr int kPcscProgramSerialPort = 9;

TEST(PcscPort, OpensAsPort416AndClosesThroughCloseComm) {
  TransportRig rig(Via::kPcsc);
  VANTEL_SKIP_UNLESS_CI(rig.failure());
  EXPECT_EQ(InitComm(kUsbPortFirst + 3), 1);
  EXPECT_EQ(Device().gPort, kPcscPort);
  EXPECT_GT(Device().pcsc.gPcscCard, 0);
  EXPECT_EQ(GetSamStatus(kPcscPort, 0), 144);
  EXPECT_EQ(CloseComm(), 1);
  EXPECT_EQ(Device().pcsc.gPcscCard, -1);
  EXPECT_EQ(Device().gPort, 0);
}

// The service opens the reader at the start of every card operation: each open must give
// back the connection of the one before, or the PC/SC service runs out of them.
TEST(PcscPort, OpensAgainAndAgainWithoutAClose) {
  TransportRig rig(Via::kPcsc);
  VANTEL_SKIP_UNLESS_CI(rig.failure());
  int opened = 0;
  for (int i = 0; i < 500; ++i) opened += InitComm(kUsbPortFirst);
  EXPECT_EQ(opened, 500);
  EXPECT_EQ(GetSamStatus(kPcscPort, 0), 144);
}

// A long-running service outlives restarts of the PC/SC service.
TEST(PcscPort, OpensAgainAfterThePcscServiceRestarts) {
  TransportRig rig(Via::kPcsc);
  VANTEL_SKIP_UNLESS_CI(rig.failure());
  EXPECT_EQ(InitComm(kUsbPortFirst), 1);
  EXPECT_EQ(CloseComm(), 1);
  ASSERT_TRUE(vantel_test::RestartPcscService());
  ASSERT_TRUE(vantel_test::WaitForCard(vantel_test::kKnownReaderName));
  EXPECT_EQ(InitComm(kUsbPortFirst), 1);
  EXPECT_EQ(GetSamStatus(kPcscPort, 0), 144);
}

// Another program sharing the reader may reset its card: the smart-card service then refuses
// the library's connection until it is taken up again, and no command may fail for that.
TEST(PcscPort, ACardResetByAnotherProgramIsTakenUpAgain) {
  TransportRig rig(Via::kPcsc);
  VANTEL_SKIP_UNLESS_CI(rig.failure());
  EXPECT_EQ(InitComm(kUsbPortFirst), 1);
  ASSERT_TRUE(vantel_test::ResetCardFromOutside());
  EXPECT_EQ(GetSamStatus(kPcscPort, 0), 144);
  EXPECT_EQ(GetSamStatus(kPcscPort, 0), 144);
}

// A card taken out and another put in: the command under way fails as one without an answer
// and never reaches the card now in the reader (a read of several commands would join two
// people's data); the connection is taken up again, so the next command serves the new card.
TEST(PcscPort, ACardSwappedForAnotherFailsTheCommandUnderWayAndServesTheNext) {
  TransportRig rig(Via::kPcsc);
  VANTEL_SKIP_UNLESS_CI(rig.failure());
  EXPECT_EQ(InitComm(kUsbPortFirst), 1);
  ASSERT_TRUE(vantel_test::SwapPcscCard());
  const std::size_t apdusBefore = vantel_test::PcscCardApdus().size();
  EXPECT_NE(GetSamStatus(kPcscPort, 0), 144);
  EXPECT_EQ(vantel_test::PcscCardApdus().size(), apdusBefore);
  EXPECT_EQ(GetSamStatus(kPcscPort, 0), 144);
}

// COM ports open exclusively: a serial handle left behind by another transport would keep
// the port from opening again for the life of the process.
TEST(PcscPort, TransportsThatFollowEachOtherGiveTheSerialPortBack) {
  TransportRig pcsc(Via::kPcsc);
  VANTEL_SKIP_UNLESS_CI(pcsc.failure());
  TransportRig serial(Via::kSerial, kPcscProgramSerialPort);
  ASSERT_EQ(serial.failure(), "");
  EXPECT_EQ(InitComm(serial.Port()), 1);
  EXPECT_EQ(InitComm(kUsbPortFirst), 1);
  EXPECT_FALSE(serial.SerialLineHeld());
  EXPECT_EQ(CloseComm(), 1);
  EXPECT_EQ(InitComm(serial.Port()), 1);
  EXPECT_EQ(GetSamStatus(serial.Port(), 0), 144);

  EXPECT_EQ(InitComm(kUsbPortFirst), 1);
  int baud = 0;
  EXPECT_EQ(GetComBaud(serial.Port(), &baud), 144);  // the probe, closed again
  EXPECT_FALSE(serial.SerialLineHeld());
}

}  // namespace
}  // namespace vantel
