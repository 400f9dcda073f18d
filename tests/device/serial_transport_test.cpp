#include "library/device/serial_transport.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "support/serial_line_settings.h"
#include "support/serial_peer.h"

namespace vantel {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(OpenComPort, OpensAnyPortNumberAndCarriesBytesBothWays) {
  for (int number : {1, 10, 256}) {
    auto peer = vantel_test::SerialPeer::Attach(number);
    ASSERT_TRUE(peer) << "no serial line for COM" << number;
    auto port = OpenComPort(number, 115200);
    ASSERT_TRUE(port) << "COM" << number;

    const Bytes request{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x11, 0xFF, 0xED};
    std::size_t done = 0;
    ASSERT_TRUE(port->Write(request.data(), request.size(), &done));
    EXPECT_EQ(done, request.size());
    EXPECT_EQ(peer->Receive(request.size(), 2000), request);

    const Bytes answer{0x55, 0xAA, 0x02, 0x56, 0x51};
    ASSERT_TRUE(peer->Send(answer));
    std::uint8_t buffer[5] = {};
    ASSERT_TRUE(port->Read(buffer, sizeof buffer, &done));
    EXPECT_EQ(Bytes(buffer, buffer + done), answer);
  }
}

TEST(OpenComPort, QueuedCountAndPurgeSeeWhatArrived) {
  auto peer = vantel_test::SerialPeer::Attach(3);
  ASSERT_TRUE(peer);
  auto port = OpenComPort(3, 9600);
  ASSERT_TRUE(port);
  ASSERT_TRUE(peer->Send(Bytes(12, 0x42)));
  std::uint32_t queued = 0;
  for (int i = 0; i < 50 && queued < 12; ++i) {
    ASSERT_TRUE(port->QueuedCount(&queued));
    if (queued < 12) platform::SleepMs(10);
  }
  EXPECT_EQ(queued, 12u);
  EXPECT_TRUE(port->PurgeReceive());
  ASSERT_TRUE(port->QueuedCount(&queued));
  EXPECT_EQ(queued, 0u);
}

TEST(OpenComPort, ReadEndsWhenTheTotalTimeoutRunsOut) {
  auto peer = vantel_test::SerialPeer::Attach(4);
  ASSERT_TRUE(peer);
  auto port = OpenComPort(4, 115200);
  ASSERT_TRUE(port);
  ASSERT_TRUE(port->SetTimeouts(kProbeTimeouts));
  ASSERT_TRUE(peer->Send(Bytes{1, 2, 3}));
  std::uint8_t buffer[16];
  std::size_t done = 99;
  ASSERT_TRUE(port->Read(buffer, sizeof buffer, &done));
  EXPECT_EQ(done, 3u);
}

TEST(OpenComPort, MissingPortGivesNull) {
  EXPECT_FALSE(OpenComPort(0, 115200));
  EXPECT_FALSE(OpenComPort(249, 115200));  // nothing attached there
}

TEST(OpenComPort, RefusedSettingsCloseThePortAgain) {
#if defined(_WIN32)
  GTEST_SKIP() << "wine's serial driver takes any rate on a pseudo-terminal: no line refuses";
#endif
  auto peer = vantel_test::SerialPeer::Attach(5);
  ASSERT_TRUE(peer);
  EXPECT_FALSE(OpenComPort(5, 12345));
  // Closed again: the port can be opened at once.
  EXPECT_TRUE(OpenComPort(5, 115200));
}

// Another program's settings must not reach the library: its rate is read whatever it is,
// its flow control is gone once the library has opened the port, the XON and XOFF characters
// are ones a Windows driver accepts, and the library's close leaves the line open to the next
// user.
TEST(OpenComPort, TakesThePortAsAnotherProgramLeftItAndLeavesItFree) {
  auto peer = vantel_test::SerialPeer::Attach(6);
  ASSERT_TRUE(peer);
  ASSERT_TRUE(vantel_test::LeaveLineWithForeignSettings(6));
  {
    auto probe = platform::SerialPort::Open(6);
    ASSERT_TRUE(probe);
    int rate = -1;
    EXPECT_TRUE(probe->CurrentBaud(&rate));
  }
  EXPECT_TRUE(OpenComPort(6, 115200));
  EXPECT_FALSE(vantel_test::LineHasFlowControl(6));
  EXPECT_FALSE(vantel_test::LineHasFlowCharactersAlike(6));
  EXPECT_FALSE(vantel_test::LineLeftExclusive(6));
}

// An unplugged USB adapter hangs its tty up: a read fails at once instead of spinning
// through the whole wait and reporting nothing as success.
TEST(OpenComPort, AReadOnAHungUpLineFails) {
#if defined(_WIN32)
  GTEST_SKIP() << "under wine the far end of the line belongs to socat: it cannot hang up";
#endif
  auto peer = vantel_test::SerialPeer::Attach(3);
  ASSERT_TRUE(peer);
  auto port = OpenComPort(3, 115200);
  ASSERT_TRUE(port);
  peer.reset();
  std::uint8_t buffer[16];
  std::size_t done = 0;
  EXPECT_FALSE(port->Read(buffer, sizeof buffer, &done));
  EXPECT_EQ(done, 0u);
}

}  // namespace
}  // namespace vantel
