// The RFCOMM link through the test provider of the Bluetooth seam: a real connected stream
// whose other end the module simulator serves.
#include "library/device/bluetooth/bt_link.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "library/device/device_state.h"
#include "support/bt_module_sim.h"
#include "support/hex_bytes.h"

namespace vantel {
namespace {

using vantel_test::BtModuleSim;
using vantel_test::Bytes;
using vantel_test::FromHex;

constexpr char kAddress[] = "0019A5F10203";

bool IsSerialPortService(const platform::BluetoothServiceClass& service) {
  return service.data1 == 0x00001101 && service.data2 == 0 && service.data3 == 0x1000 &&
         Bytes(service.data4, service.data4 + 8) == FromHex("800000805F9B34FB");
}

class BtLink : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(Device().gBtSocket, nullptr); }
  void TearDown() override { DisconnectBtDevice(); }

  BtModuleSim module_;
};

TEST_F(BtLink, ConnectHandshakeEchoAndDisconnect) {
  EXPECT_EQ(ConnectBtDevice(kAddress, kDefaultBtReceiveTimeoutMs), 1);
  ASSERT_EQ(module_.Recorded().peers.size(), 1u);
  const platform::RfcommPeer peer = module_.Recorded().peers[0];
  EXPECT_EQ(peer.address, 0x0019A5F10203u);
  EXPECT_TRUE(IsSerialPortService(peer.serviceClass));
  EXPECT_EQ(peer.port, 0u);
  EXPECT_EQ(module_.Recorded().receiveTimeouts, std::vector<std::uint32_t>{5000});

  EXPECT_EQ(BtHandshake(), 1);
  EXPECT_EQ(module_.Recorded().received, FromHex("5555555555555555 04 0600 0000 01 53 46D4 06"));

  EXPECT_EQ(WriteBtDevice("hello", 5), 1);
  char echo[16] = {};
  EXPECT_EQ(ReadBtDevice(echo, sizeof echo), 1);
  EXPECT_STREQ(echo, "hello");

  EXPECT_EQ(DisconnectBtDevice(), 1);
  EXPECT_EQ(Device().gBtSocket, nullptr);
  EXPECT_EQ(module_.Recorded().openSockets, 0);
  EXPECT_EQ(module_.Recorded().starts, 1);
  EXPECT_EQ(module_.Recorded().stops, 1);
}

TEST_F(BtLink, HandshakeTakesOnlyStatusZero) {
  const struct {
    BtModuleSim::Handshake answer;
    int result;
  } rows[] = {
      {BtModuleSim::Handshake::kStatusZero, 1},
      {BtModuleSim::Handshake::kStatusNonZero, 0},
      {BtModuleSim::Handshake::kShortAnswer, 0},
      {BtModuleSim::Handshake::kSilence, 0},  // the receive timeout ends the wait
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.answer));
    module_.handshake = row.answer;
    ASSERT_EQ(ConnectBtDevice(kAddress, 200), 1);
    EXPECT_EQ(BtHandshake(), row.result);
  }
  EXPECT_EQ(module_.Recorded().receiveTimeouts, std::vector<std::uint32_t>(4, 200));
}

TEST_F(BtLink, AddressTextReadDigitByDigit) {
  const struct {
    const char* text;
    std::uint64_t address;
  } rows[] = {
      {"0019a5F10203", 0x0019A5F10203u},
      {"00:19", 0x00319u},                  // a colon counts 3
      {"G", 16u},                           // no validation
      {"\xFF", 0xFFu - 55},                 // bytes above 0x7F as unsigned
      {"!", 0u - std::uint64_t{22}},        // below "7" wraps
      {"1FFFFFFFFFFFFFFFF", ~std::uint64_t{0}},  // modulo 2^64
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(BtAddressFromText(row.text), row.address);
  }
}

TEST_F(BtLink, FailedConnectsLeaveNoSocketNorStart) {
  EXPECT_EQ(ConnectBtDevice(nullptr, 5000), 0);
  EXPECT_EQ(ConnectBtDevice("", 5000), 0);
  EXPECT_EQ(module_.Recorded().starts, 0);
  module_.startFails = true;
  EXPECT_EQ(ConnectBtDevice(kAddress, 5000), 0);
  EXPECT_TRUE(module_.Recorded().peers.empty());
  module_.startFails = false;

  module_.createFails = true;
  EXPECT_EQ(ConnectBtDevice(kAddress, 5000), 0);
  module_.createFails = false;
  module_.connectFails = true;
  EXPECT_EQ(ConnectBtDevice(kAddress, 5000), 0);
  EXPECT_EQ(Device().gBtSocket, nullptr);
  EXPECT_EQ(module_.Recorded().openSockets, 0);
  EXPECT_EQ(module_.Recorded().starts, 2);
  EXPECT_EQ(module_.Recorded().stops, 2);

  // A disconnect without a link stops nothing of the host's.
  EXPECT_EQ(DisconnectBtDevice(), 1);
  EXPECT_EQ(module_.Recorded().stops, 2);
}

TEST_F(BtLink, SecondConnectReplacesTheFirst) {
  ASSERT_EQ(ConnectBtDevice(kAddress, 5000), 1);
  ASSERT_EQ(ConnectBtDevice("0019A5F10204", 5000), 1);
  EXPECT_EQ(module_.Recorded().openSockets, 1);
  EXPECT_EQ(module_.Recorded().starts, 1);
  EXPECT_EQ(BtHandshake(), 1);
  DisconnectBtDevice();
  EXPECT_EQ(module_.Recorded().stops, 1);
}

TEST_F(BtLink, BadArgumentsAndNoLinkFail) {
  char buffer[8] = {};
  EXPECT_EQ(WriteBtDevice("data", 4), 0);
  EXPECT_EQ(ReadBtDevice(buffer, sizeof buffer), 0);
  EXPECT_EQ(BtHandshake(), 0);
  ASSERT_EQ(ConnectBtDevice(kAddress, 5000), 1);
  EXPECT_EQ(WriteBtDevice(nullptr, 4), 0);
  EXPECT_EQ(WriteBtDevice("", 1), 0);
  EXPECT_EQ(WriteBtDevice("data", 0), 0);
  EXPECT_EQ(WriteBtDevice("data", -1), 0);
  EXPECT_EQ(ReadBtDevice(nullptr, 8), 0);
  EXPECT_EQ(ReadBtDevice(buffer, 0), 0);
  EXPECT_EQ(module_.Recorded().received, Bytes{});
}

TEST_F(BtLink, KeyTextGivesItsSixteenthPair) {
  const std::string thirtyTwo = "000102030405060708090A0B0C0D0E0F";
  EXPECT_EQ(SetBt3DesKey(nullptr), 0);
  EXPECT_EQ(SetBt3DesKey(thirtyTwo.c_str()), 0);
  EXPECT_EQ(SetBt3DesKey((thirtyTwo + "1").c_str()), 0x0F);
  EXPECT_EQ(SetBt3DesKey((std::string(30, '0') + "bC7").c_str()), 0xBC);
}

}  // namespace
}  // namespace vantel
