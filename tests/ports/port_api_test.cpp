// Opening and closing readers by port number (no PC/SC reader is attached in this program), the serial rate and the USB/HID selection.
#include "library/device/port_api.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "library/device/sam_commands.h"
#include "library/device/serial_transport.h"
#include "platform/message_box.h"
#include "support/transport_rig.h"

namespace vantel {
namespace {

using vantel_test::Bytes;
using vantel_test::TransportRig;
using vantel_test::Via;

const Bytes kStatusRequest{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x11, 0xFF, 0xED};

class PortApi : public ::testing::Test {
 protected:
  void SetUp() override {
    vantel_test::ResetLibraryState();
    platform::SetMessageBoxSink([this](const std::string& text, const std::string& caption) {
      boxes.push_back(caption + ": " + text);
    });
  }
  void TearDown() override {
    platform::SetMessageBoxSink(nullptr);
    vantel_test::ResetLibraryState();
  }
  std::vector<std::string> boxes;
};

TEST_F(PortApi, EveryTransportOpensAndClosesWithTheStateItNames) {
  struct Expected {
    Via via;
    int port;
    TransportKind kind;
  };
  const Expected cases[] = {{Via::kSerial, TransportRig::kSerialPort, kTransportSerial},
                            {Via::kHid, kHidPort, kTransportHid},
                            {Via::kUsbDriver, kUsbPortFirst, kTransportUsbDriver},
                            {Via::kUsbPipes, kUsbPortFirst, kTransportUsbPipes},
                            {Via::kNetwork, kNetPort, kTransportNone}};
  for (const Expected& expected : cases) {
    SCOPED_TRACE(vantel_test::ViaName(expected.via));
    TransportRig rig(expected.via);
    ASSERT_EQ(rig.failure(), "");
    EXPECT_EQ(InitComm(rig.Port()), 1);
    EXPECT_EQ(Device().gPort, expected.port);
    EXPECT_EQ(Device().gTransportKind, expected.kind);
    EXPECT_EQ(GetSamStatus(rig.Port(), 0), 144);
    EXPECT_EQ(CloseComm(), 1);
    EXPECT_EQ(Device().gPort, 0);
    EXPECT_EQ(Device().gReadHandle, nullptr);
  }
}

TEST_F(PortApi, InitCommRefusesThePcscNumberWithoutOpening) {
  TransportRig rig(Via::kHid);
  EXPECT_EQ(InitComm(kPcscPort), 0);
  EXPECT_EQ(Device().gPort, 0);
  EXPECT_TRUE(rig.hid.DevicePaths().size() == 1 && rig.sim().Requests().empty());
}

TEST_F(PortApi, AttachedHidReaderWinsOverAnyPortButTheNetwork) {
  TransportRig rig(Via::kHid);
  EXPECT_EQ(OpenPort(3), 144);
  EXPECT_EQ(Device().gPort, kHidPort);
  EXPECT_EQ(Device().gTransportKind, kTransportHid);
  ClosePort(kHidPort);
  EXPECT_EQ(OpenPort(kUsbPortFirst), 144);
  EXPECT_EQ(Device().gPort, kHidPort);
}

TEST_F(PortApi, UsbPortNamesTheDriverReaderByIndexButReadsAs1001) {
  TransportRig rig(Via::kUsbDriver);
  for (int i = 1; i < 5; ++i) rig.usb.AddDriverReader(rig.sim());
  EXPECT_EQ(OpenPort(1005), 144);
  EXPECT_EQ(Device().gPort, kUsbPortFirst);
  EXPECT_EQ(GetSamStatus(Device().gPort, 0), 144);
  ClosePort(Device().gPort);
  EXPECT_EQ(Device().gTransportKind, kTransportNone);
}

TEST_F(PortApi, UsbPortWithNeitherDriverNorPipesFails) {
  EXPECT_EQ(OpenPort(kUsbPortFirst), 1);
  EXPECT_EQ(Device().gPort, 0);
  EXPECT_EQ(OpenPort(1017), 1);
}

TEST_F(PortApi, SerialOpenProbesTheRateWithAStatusQuestion) {
  TransportRig rig(Via::kSerial);
  EXPECT_EQ(OpenPort(rig.Port()), 144);
  EXPECT_EQ(Device().gComBaud, 115200);
  EXPECT_EQ(rig.sim().Requests(), std::vector<Bytes>{kStatusRequest});
}

TEST_F(PortApi, ASilentSerialReaderFailsTheProbeAndLeavesNoRate) {
  TransportRig rig(Via::kSerial);
  Settings().gComTimeout = 100;  // short answer waits for the five rates
  rig.sim().SetStandingFault(vantel_test::FaultPlan{vantel_test::Fault::kSilence});
  EXPECT_EQ(OpenPort(rig.Port()), 1);
  EXPECT_EQ(Device().gComBaud, 0);
  EXPECT_EQ(Device().gReadHandle, nullptr);
  EXPECT_EQ(rig.sim().Requests().size(), 5u);
}

TEST_F(PortApi, SetOpenComBaudTakesTheRateWithoutAskingTheSam) {
  TransportRig rig(Via::kSerial);
  EXPECT_EQ(SetOpenComBaud(57600), 0);
  EXPECT_EQ(OpenPort(rig.Port()), 144);
  EXPECT_EQ(Device().gComBaud, 57600);
  EXPECT_TRUE(rig.sim().Requests().empty());
}

TEST_F(PortApi, GetComBaudOnAnOpenPortReportsItsRateAndGivesFive) {
  TransportRig rig(Via::kSerial);
  ASSERT_EQ(OpenPort(rig.Port()), 144);
  int baud = 0;
  EXPECT_EQ(GetComBaud(rig.Port(), &baud), 5);
  EXPECT_EQ(baud, 115200);
}

TEST_F(PortApi, GetComBaudRefusesNumbersOutsideTheComRange) {
  int baud = 0;
  EXPECT_EQ(GetComBaud(0, &baud), 1);
  EXPECT_EQ(GetComBaud(257, &baud), 1);
}

TEST_F(PortApi, SetComBaudRefusesAnUnknownRateAndLeavesThePortClosed) {
  TransportRig rig(Via::kSerial);
  EXPECT_EQ(SetComBaud(rig.Port(), 115200, 4800), 33);
  EXPECT_TRUE(rig.sim().Requests().empty());
  EXPECT_EQ(Device().gReadHandle, nullptr);
  EXPECT_TRUE(OpenComPort(rig.Port(), 115200));
}

TEST_F(PortApi, SetComBaudSendsTheRateCodeAndKeepsTheNewRate) {
  TransportRig rig(Via::kSerial);
  rig.sim().OnSamCommand(0x60, 0x01, [](const vantel_test::SamRequest&) {
    return vantel_test::SamAnswer{0, 0, 0x90, {}};
  });
  EXPECT_EQ(SetComBaud(rig.Port(), 115200, 57600), 144);
  EXPECT_EQ(rig.sim().Requests(),
            std::vector<Bytes>{(Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x60, 0x01, 0x62})});
  EXPECT_EQ(Device().gComBaud, 57600);
}

TEST_F(PortApi, ANetworkReaderThatRefusesKeepsTheNetworkPort) {
  vantel_test::TempFolder folder;
  folder.Write("kestor.ini", "[Socket]\r\nIp=127.0.0.1\r\nPort=1\r\n");
  SetUpLibraryIn(folder.path().string());
  EXPECT_EQ(OpenPort(kNetPort), -2);
  EXPECT_EQ(Device().gPort, kNetPort);
  EXPECT_EQ(boxes, std::vector<std::string>{"Error: connect failed"});
  ClosePort(kNetPort);
}

TEST_F(PortApi, OpeningAgainClosesTheHandlesNothingReachesAnyMore) {
  TransportRig rig(Via::kSerial);  // its HID and USB doubles stand empty
  vantel_test::SimulatedUsbDevice& pipes = rig.usb.AddPipeReader(rig.sim());
  ASSERT_EQ(OpenPort(kUsbPortFirst), 144);
  ASSERT_EQ(OpenPort(kUsbPortFirst), 144);  // no close in between
  EXPECT_EQ(pipes.openHandles, 2);
  ClosePort(kUsbPortFirst);
  EXPECT_EQ(pipes.openHandles, 0);
}

TEST_F(PortApi, SelectUsbExplainsEachRefusal) {
  TransportRig rig(Via::kSerial);  // no USB-driver reader, no HID reader
  int usbFound = -1;
  int hidCount = -1;
  EXPECT_EQ(FindAllUsb(&usbFound, &hidCount), 1);
  EXPECT_EQ(usbFound, 0);
  EXPECT_EQ(hidCount, 0);
  EXPECT_EQ(SelectUsb(0), 0);
  EXPECT_EQ(SelectUsb(1), 0);
  EXPECT_EQ(SelectUsb(2), 0);
  EXPECT_EQ(SelectUsb(3), 0);
  EXPECT_EQ(boxes, (std::vector<std::string>{"DEBUG Init: 当前未连接部标设备！",
                                             "DEBUG Init: 当前未连接HID设备！",
                                             "DEBUG Init: 当前HID设备不足两台！"}));
}

TEST_F(PortApi, SelectUsbPicksTheDriverReaderOrTheSecondHidReader) {
  TransportRig rig(Via::kHid);
  rig.hid.AddReader(vantel_test::AnswerThrough(rig.sim()));
  rig.usb.AddDriverReader(rig.sim());
  EXPECT_EQ(InitZrtAndHidComm(0), 1);
  EXPECT_EQ(Device().gTransportKind, kTransportUsbDriver);
  EXPECT_EQ(CloseZrtAndHidComm(0), 1);
  EXPECT_EQ(Device().gTransportKind, kTransportNone);

  EXPECT_EQ(InitZrtAndHidComm(2), 1);
  EXPECT_EQ(Device().gPort, kHidPort);
  EXPECT_EQ(GetSamStatus(kHidPort, 0), 144);
  EXPECT_EQ(CloseZrtAndHidComm(2), 1);
  EXPECT_EQ(CloseZrtAndHidComm(5), 0);
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
}  // namespace vantel
