// The step-by-step M1 interface on a serial device (answers base64-wrapped) and on HID.
#include "library/device/dc_commands.h"

#include <gtest/gtest.h>

#include <cstring>

#include "card_fixture.h"
#include "library/device/commands/m1_devices.h"

namespace vantel {
namespace {

using vantel_test::Fault;
using vantel_test::FaultPlan;
using vantel_test::SimM1Card;

const unsigned char kKeyFF[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

class DcCommands : public CardCommands {
 protected:
  void SetUp() override {
    if (via() != Via::kSerial && via() != Via::kHid) GTEST_SKIP() << "a serial device or HID";
    CardCommands::SetUp();
    if (via() == Via::kSerial) {
      ASSERT_EQ(DcInit(kCardsSerialLine), kCardsSerialLine);
      rig.sim().SetStandingFault(FaultPlan{Fault::kBase64});
    }
    rig.sim().ClearRequests();
  }
  void TearDown() override { DcExit(kCardsSerialLine); }

  const int device = kCardsSerialLine;
};

TEST_P(DcCommands, RequestSelectAuthenticateReadWriteHalt) {
  SimM1Card* card = Place<SimM1Card>();
  int cardType = 0;
  ASSERT_EQ(DcRequest(device, 0, &cardType), 0);
  EXPECT_EQ(cardType, 4);
  unsigned char serial[8];
  std::memset(serial, 0xEE, sizeof serial);
  ASSERT_EQ(DcAnticoll(device, 0, serial), 0);
  EXPECT_EQ(Bytes(serial, serial + 5), (Bytes{0x12, 0x34, 0x56, 0x78, 0xEE}));
  ASSERT_EQ(DcSelect(device, 0x78563412u), 0);
  EXPECT_EQ(Device().gDcCardSerial, 0x78563412u);
  ASSERT_EQ(DcAuthenticationPassaddr(device, 0x60, 6, kKeyFF), 0);
  const Bytes data(16, 0xA5);
  EXPECT_EQ(DcWrite(device, 6, data.data()), 0);
  unsigned char block[16] = {};
  EXPECT_EQ(DcRead(device, 6, block), 0);
  EXPECT_EQ(Bytes(block, block + 16), data);
  EXPECT_EQ(card->Block(1, 2), data);
  EXPECT_EQ(DcHalt(device), 0);
  EXPECT_EQ(DcRequest(device, 0, &cardType), -3);  // a halted card sleeps through mode 0
  EXPECT_EQ(DcRequest(device, 1, &cardType), 0);

  const Bytes authentication{0x16, 0xFF, 0x01, 0x02, 0x60, 0xFF, 0xFF, 0xFF,
                             0xFF, 0xFF, 0xFF, 0x12, 0x34, 0x56, 0x78};
  Bytes write{0x18, 0xFF, 0x01, 0x02};
  for (std::uint8_t byte : data) write.push_back(byte);
  EXPECT_EQ(Requests(), (std::vector<Bytes>{{0x55, 0xAA, 0x04, 0x12, 0xFF, 0xFF, 0xE9},
                                            {0x55, 0xAA, 0x04, 0x14, 0xFF, 0xFF, 0xEF},
                                            VendorFrame({0x15, 0xFF, 0x12, 0x34, 0x56, 0x78}),
                                            VendorFrame(authentication), VendorFrame(write),
                                            VendorFrame({0x17, 0xFF, 0x01, 0x02}),
                                            {0x55, 0xAA, 0x04, 0x11, 0xFF, 0xFF, 0xEA},
                                            {0x55, 0xAA, 0x04, 0x12, 0xFF, 0xFF, 0xE9},
                                            {0x55, 0xAA, 0x04, 0x13, 0xFF, 0xFF, 0xE8}}));
}

TEST_P(DcCommands, RefusedArgumentsSendNothing) {
  const bool serialPort = via() == Via::kSerial;
  int cardType;
  unsigned char buffer[16] = {};
  struct Row {
    const char* what;
    int result;
    int expected;
  };
  const Row rows[] = {
      {"mode 2", DcRequest(device, 2, &cardType), -4},
      {"null card type", DcRequest(device, 0, nullptr), -4},
      {"bit count", DcAnticoll(device, 0x101, buffer), -4},
      {"null serial", DcAnticoll(device, 0, nullptr), -4},
      {"null key", DcAuthenticationPassaddr(device, 0x60, 4, nullptr), -2},
      {"read address 256", DcRead(device, 256, buffer), -1},
      {"write address 259", DcWrite(device, 259, buffer), -1},
      {"null out", DcRead(device, 4, nullptr), -1},
      {"null data", DcWrite(device, 4, nullptr), -1},
  };
  for (const Row& row : rows) EXPECT_EQ(row.result, row.expected) << row.what;
  if (serialPort) {
    EXPECT_EQ(DcAuthenticationPassaddr(device, 0x60, 4, kKeyFF), -1);  // nothing selected
    Device().gDcCardSerial = 0x01020304;
    EXPECT_EQ(DcAuthenticationPassaddr(device, 0x62, 4, kKeyFF), -2);
    EXPECT_EQ(DcHalt(device + 1), -32);
  }
  EXPECT_TRUE(Requests().empty());
}

TEST_P(DcCommands, SerialDeviceAnswersOnlyAsSamOrWrappedFrames) {
  if (via() != Via::kSerial) GTEST_SKIP() << "serial device";
  Place<SimM1Card>();
  rig.sim().SetStandingFault(std::nullopt);
  Settings().gComTimeout = 300;
  int cardType = 0;
  EXPECT_EQ(DcRequest(device, 0, &cardType), -2);  // a plain 55 AA answer is refused
  EXPECT_EQ(DcExit(device), 0);
  EXPECT_EQ(DcRequest(device, 0, &cardType), -32);
  EXPECT_EQ(DcBeepLed(device, 1, 1, 0), -32);
  EXPECT_EQ(Requests().size(), 1u);
}

TEST_P(DcCommands, BeepLedTurnsOffAfterARefusal) {
  if (via() != Via::kSerial) {
    EXPECT_EQ(DcBeepLed(device, 1, 0, 0), -32);  // the beeper needs an open device entry
    return;
  }
  EXPECT_EQ(DcBeepLed(device, 1, 0x100, -5), 1);
  EXPECT_EQ(rig.sim().Device().ledControls, (std::vector<std::uint8_t>{0x02, 0x00}));
  rig.sim().ClearRequests();
  rig.sim().OnVendorCommand(0xC0, [](const Bytes&) -> std::optional<Bytes> { return Bytes{0x00}; });
  EXPECT_EQ(DcBeepLed(device, 1, 1, 50), 0);
  // The off command is not answered: wait until the reader has it.
  EXPECT_EQ(RequestsOnceThere(2), (std::vector<Bytes>{VendorFrame({0xC0, 0xFF, 0x03}),
                                            VendorFrame({0xC0, 0xFF, 0x00})}));
}

INSTANTIATE_TEST_SUITE_P(Transports, DcCommands, ::testing::ValuesIn(CardTransports()),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

}  // namespace
}  // namespace vantel
