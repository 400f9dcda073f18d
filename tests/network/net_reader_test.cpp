// The network reader against the simulator's TCP listener on 127.0.0.1.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "library/device/net_transport.h"
#include "library/device/reader_settings.h"
#include "library/device/sam_commands.h"
#include "platform/clock.h"
#include "platform/message_box.h"
#include "support/local_socket.h"
#include "support/reader_sim.h"
#include "support/reader_sim_tcp.h"
#include "support/temp_folder.h"

namespace vantel {
namespace {

using vantel_test::Bytes;
using vantel_test::Fault;
using vantel_test::FaultPlan;

TEST(NetReaderAddress, WithoutIniTheDefaultAddressAndPort8899AreUsed) {
  vantel_test::TempFolder folder;
  NetReaderAddress address = ReadNetReaderAddress(folder.File("kestor.ini"));
  EXPECT_EQ(address.ip, kDefaultNetReaderIp);
  EXPECT_EQ(address.port, 8899);
}

TEST(NetReaderAddress, IpAndPortComeFromTheSocketSection) {
  vantel_test::TempFolder folder;
  folder.Write("kestor.ini", "[Set]\r\nLog=0\r\n[Socket]\r\nIp=10.1.2.3\r\nPort=9001\r\n");
  NetReaderAddress address = ReadNetReaderAddress(folder.File("kestor.ini"));
  EXPECT_EQ(address.ip, "10.1.2.3");
  EXPECT_EQ(address.port, 9001);
}

class NetReader : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(listener.Port(), 0);
    platform::SetMessageBoxSink([this](const std::string& text, const std::string& caption) {
      boxes.push_back(caption + ": " + text);
    });
  }
  void TearDown() override {
    CloseNetReader();
    platform::SetMessageBoxSink(nullptr);
    SetUpLibraryIn(folder.path().string() + "-none");
  }
  int OpenWithIni(const std::string& ini) {
    folder.Write("kestor.ini", ini);
    SetUpLibraryIn(folder.path().string());
    return OpenNetReader();
  }
  int Send(const Bytes& frame) {
    return WriteNetDevice(reinterpret_cast<const char*>(frame.data()), static_cast<int>(frame.size()));
  }
  int Receive(int size) {
    return ReadNetDevice(reinterpret_cast<char*>(Device().InputReport), size);
  }

  vantel_test::ReaderSim sim;
  vantel_test::TcpAttachment listener{sim};
  vantel_test::TempFolder folder;
  std::vector<std::string> boxes;
};

TEST_F(NetReader, StatusExchangeCarriesTheSameFrameAsTheSerialPort) {
  ASSERT_EQ(OpenWithIni(listener.IniText()), kNetReaderConnected);
  EXPECT_EQ(Send(vantel_test::SamRequestFrame(0x11, 0xFF)), 0);
  EXPECT_EQ(Receive(256), 11);
  EXPECT_EQ(Device().InputReport[9], 0x90);
  EXPECT_EQ(sim.Requests(), std::vector<Bytes>{vantel_test::SamRequestFrame(0x11, 0xFF)});
  EXPECT_TRUE(boxes.empty());
}

TEST_F(NetReader, LongReadGathersExactlyTheSizeAskedFor) {
  sim.PlaceCard(std::make_shared<vantel_test::SimIdentityCard>());
  ASSERT_EQ(OpenWithIni(listener.IniText()), kNetReaderConnected);
  Send(vantel_test::SamRequestFrame(0x20, 0x01));
  EXPECT_EQ(Receive(256), 15);
  Send(vantel_test::SamRequestFrame(0x20, 0x02));
  EXPECT_EQ(Receive(256), 19);
  sim.QueueFault(FaultPlan{Fault::kSlowPieces, 300, 10});
  Send(vantel_test::SamRequestFrame(0x30, 0x01));
  EXPECT_EQ(Receive(1295), 1295);
  EXPECT_EQ(Device().InputReport[9], 0x90);
}

TEST_F(NetReader, ReaderClosingInTheMiddleOfALongReadGivesMinusTwo) {
  sim.PlaceCard(std::make_shared<vantel_test::SimIdentityCard>());
  ASSERT_EQ(OpenWithIni(listener.IniText()), kNetReaderConnected);
  Send(vantel_test::SamRequestFrame(0x20, 0x01));
  Receive(256);
  Send(vantel_test::SamRequestFrame(0x20, 0x02));
  Receive(256);
  FaultPlan cut{Fault::kCloseMidAnswer};
  cut.bytesBeforeClose = 700;
  sim.QueueFault(cut);
  Send(vantel_test::SamRequestFrame(0x30, 0x01));
  EXPECT_EQ(Receive(1295), -2);
}

TEST_F(NetReader, AnAnswerLargerThanTheBufferIsCutToIt) {
  ASSERT_EQ(OpenWithIni(listener.IniText()), kNetReaderConnected);
  Send(vantel_test::SamRequestFrame(0x12, 0xFF));
  Device().InputReport[8] = 0xEE;
  EXPECT_EQ(Receive(8), 8);
  EXPECT_EQ(Device().InputReport[8], 0xEE);  // nothing past the 8 bytes asked for
}

TEST_F(NetReader, RefusedConnectionShowsItsMessageAndGivesMinusTwo) {
  int closedPort = 0;
  {
    vantel_test::ReaderSim other;
    vantel_test::TcpAttachment gone(other);
    closedPort = gone.Port();
  }
  EXPECT_EQ(OpenWithIni("[Socket]\nIp=127.0.0.1\nPort=" + std::to_string(closedPort) + "\n"),
            kNetConnectFailed);
  EXPECT_EQ(boxes, std::vector<std::string>{"Error: connect failed"});
  EXPECT_EQ(Send(vantel_test::SamRequestFrame(0x11, 0xFF)), -1);
}

TEST_F(NetReader, AfterCloseNothingCanBeSentOrReceived) {
  ASSERT_EQ(OpenWithIni(listener.IniText()), kNetReaderConnected);
  CloseNetReader();
  EXPECT_EQ(Device().gNetSocket, nullptr);
  EXPECT_EQ(Send(vantel_test::SamRequestFrame(0x11, 0xFF)), -1);
  EXPECT_EQ(Receive(256), -2);
}

TEST_F(NetReader, AReaderThatNeverAnswersEndsTheReadAfterTheAnswerWait) {
  ASSERT_EQ(OpenWithIni(listener.IniText()), kNetReaderConnected);
  Settings().gComTimeout = 200;
  sim.QueueFault(FaultPlan{Fault::kSilence});
  EXPECT_EQ(Send(vantel_test::SamRequestFrame(0x11, 0xFF)), 0);
  EXPECT_EQ(Receive(256), -2);
  Settings().gComTimeout = -1;
}

// Serial-to-Ethernet bridges split answers: each must be read whole, and only once.
TEST_F(NetReader, AnswersSplitByTcpAreReadWholeAndNoMore) {
  ASSERT_EQ(OpenWithIni(listener.IniText()), kNetReaderConnected);
  int asked = 0;
  sim.OnSamCommand(0x11, 0xFF, [&asked](const vantel_test::SamRequest&) {
    return vantel_test::SamAnswer{0, 0, ++asked == 1 ? vantel_test::kSwNoCard : vantel_test::kSwSuccess, {}};
  });
  sim.QueueFault(FaultPlan{Fault::kSlowPieces, 5, 20});
  EXPECT_EQ(GetSamStatus(kNetPort, 0), 0x80);
  EXPECT_EQ(GetSamStatus(kNetPort, 0), 144);
  const Bytes vendorAnswer = vantel_test::VendorFrame({0x56, 0xFF});
  sim.OnVendorCommand(0x01, [](const Bytes&) -> std::optional<Bytes> { return Bytes{0x56, 0xFF}; });
  sim.QueueFault(FaultPlan{Fault::kSlowPieces, 2, 20});
  Send(vantel_test::VendorFrame({0x01, 0xFF}));
  EXPECT_EQ(ReadNetAnswerFrame(reinterpret_cast<char*>(Device().InputReport), 256),
            static_cast<int>(vendorAnswer.size()));
  EXPECT_EQ(Bytes(Device().InputReport, Device().InputReport + vendorAnswer.size()), vendorAnswer);
}

TEST_F(NetReader, AFrameNotWholeWithinTheAnswerWaitIsAReceiveFailure) {
  ASSERT_EQ(OpenWithIni(listener.IniText()), kNetReaderConnected);
  Settings().gComTimeout = 200;
  sim.QueueFault(FaultPlan{Fault::kHeaderOnly});
  EXPECT_EQ(GetSamStatus(kNetPort, 0), 5);
  Settings().gComTimeout = -1;
}

// A LAN address that never answers the connection would hold the caller for minutes.
TEST_F(NetReader, AConnectionNobodyAnswersFailsAfterTheAnswerWait) {
  int port = 0;
  const vantel_test::LocalSocket full = vantel_test::ListenLocal(0, &port);
  ASSERT_NE(full, vantel_test::kNoSocket);
  const vantel_test::LocalSocket filler = vantel_test::ConnectLocal(port);  // fills its queue
  Settings().gComTimeout = 300;
  const std::uint32_t start = platform::TickCountMs();
  EXPECT_EQ(OpenWithIni("[Socket]\nIp=127.0.0.1\nPort=" + std::to_string(port) + "\n"),
            kNetConnectFailed);
  EXPECT_LT(platform::TickCountMs() - start, 20000u);  // not the system's minutes
  EXPECT_EQ(boxes, std::vector<std::string>{"Error: connect failed"});
  Settings().gComTimeout = -1;
  vantel_test::CloseLocal(filler);
  vantel_test::CloseLocal(full);
}

TEST_F(NetReader, ClosingWithoutAnOpenLeavesTheSocketLibraryAsItWas) {
  CloseNetReader();
  EXPECT_FALSE(Device().gSocketLibraryStarted);
  ASSERT_EQ(OpenWithIni(listener.IniText()), kNetReaderConnected);
  EXPECT_TRUE(Device().gSocketLibraryStarted);
  CloseNetReader();
  CloseNetReader();
  EXPECT_FALSE(Device().gSocketLibraryStarted);
}

}  // namespace
}  // namespace vantel
