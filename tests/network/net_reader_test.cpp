// The network reader against the simulator's TCP listener on 127.0.0.1.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "library/device/net_transport.h"
#include "library/device/reader_settings.h"
#include "platform/message_box.h"
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
