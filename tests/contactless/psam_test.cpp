// The PSAM slots: the Kestor_PSAMCard_ family on every transport, the PSAM_ family on HID.
#include "library/device/psam.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "card_fixture.h"

namespace vantel {
namespace {

using vantel_test::SimPsamSlot;

class Psam : public CardCommands {
 protected:
  SimPsamSlot& Slot(int slot) { return rig.sim().Psam(slot); }
  bool Streams() const { return via() == Via::kSerial || via() == Via::kUsbDriver; }
};

TEST_P(Psam, AtrApduAndPowerOffOnTheSlotOfTheAtr) {
  unsigned char atr[64];
  int atrLength = 0;
  Device().gPsamSlot = 7;
  EXPECT_EQ(PsamCardAtr(2, 4, 0, atr, &atrLength), -4);
  EXPECT_EQ(PsamCardAtr(2, 0, 2, atr, &atrLength), -5);
  EXPECT_EQ(Device().gPsamSlot, 7);
  EXPECT_TRUE(Requests().empty());
  if (via() == Via::kNetwork || via() == Via::kPcsc) {
    EXPECT_EQ(PsamCardAtr(2, 1, 0, atr, &atrLength), -2);  // no PSAM path: nothing sent
    EXPECT_TRUE(Requests().empty());
    return;
  }
  ASSERT_EQ(PsamCardAtr(0x102, 1, 0, atr, &atrLength), 1);
  EXPECT_EQ(Device().gPsamSlot, 2);
  EXPECT_EQ(Bytes(atr, atr + atrLength), Slot(2).atr);

  unsigned char out[263];
  int length = 0;
  const bool apduPath = via() == Via::kHid || via() == Via::kSerial;
  EXPECT_EQ(PsamCardSendCmd("0084000008", out, &length), apduPath ? 1 : 0);
  if (apduPath) {
    EXPECT_EQ(Bytes(out, out + length), Slot(2).response);
    EXPECT_EQ(Slot(2).apdus, (std::vector<Bytes>{{0x00, 0x84, 0x00, 0x00, 0x08}}));
  }
  EXPECT_EQ(PsamCardPowerOff(), 1);
  EXPECT_FALSE(Slot(2).powered);
  EXPECT_EQ(PsamCardPowerOff(), 0);  // already off

  std::vector<Bytes> expected{VendorFrame({0x32, 0xFF, 0x02, 0x01, 0x00})};
  if (apduPath) expected.push_back(VendorFrame({0x33, 0xFF, 0x02, 0x00, 0x84, 0x00, 0x00, 0x08}));
  expected.push_back({0x55, 0xAA, 0x04, 0x34, 0xFF, 0x02, 0x32});
  expected.push_back({0x55, 0xAA, 0x04, 0x34, 0xFF, 0x02, 0x32});
  EXPECT_EQ(Requests(), expected);
}

TEST_P(Psam, SendCmdTextLimitsAndRefusals) {
  unsigned char out[263];
  int length = 0;
  EXPECT_EQ(PsamCardSendCmd(std::string(523, '0').c_str(), out, &length), -1);
  EXPECT_EQ(PsamCardSendCmd("008", out, &length), 0);
  EXPECT_EQ(PsamCardSendCmd(nullptr, out, &length), 0);
  const std::string overLimit(via() == Via::kHid ? 118 : via() == Via::kSerial ? 254 : 2, '0');
  const int overLimitResult = via() == Via::kSerial ? -1 : 0;
  EXPECT_EQ(PsamCardSendCmd(overLimit.c_str(), out, &length), overLimitResult);
  EXPECT_TRUE(Requests().empty());
  if (via() != Via::kHid && via() != Via::kSerial) return;
  // An unpowered slot answers with its status alone: no response to deliver.
  Device().gPsamSlot = 1;
  EXPECT_EQ(PsamCardSendCmd("0084000008", out, &length), via() == Via::kHid ? -2 : 0);
}

// The PSAM_ family talks to the HID reader whatever the port.
TEST_P(Psam, HidFunctionsAndTheirResults) {
  if (via() != Via::kHid) GTEST_SKIP() << "HID only";
  unsigned char atr[16] = {};
  unsigned char answer[20] = {};
  const unsigned char apdu[5] = {0x00, 0x84, 0x00, 0x00, 0x08};
  struct Row {
    const char* what;
    std::function<int()> call;
    int expected;
  };
  const Row rows[] = {
      {"test byte", [] { return PsamFunTest(); }, 0x5A},
      {"slot 3", [&] { return PsamReadAtr(3, 0, 0, atr); }, -2},
      {"rate 4", [&] { return PsamReadAtr(1, 4, 0, atr); }, -3},
      {"too long", [&] { return PsamSendCmd(1, apdu, 58, answer); }, -3},
      {"unpowered apdu", [&] { return PsamSendCmd(1, apdu, 5, answer); }, -1},
      {"atr", [&] { return PsamReadAtr(0x101, 1, 0, atr); }, 0},
      {"apdu", [&] { return PsamSendCmd(1, apdu, 5, answer); }, 0},
      {"power off", [] { return PsamPowerOff(1); }, 0},
      {"power off again", [] { return PsamPowerOff(1); }, -1},
      {"reader error 2", [&] {
         rig.sim().Psam(2).error = 2;
         return PsamReadAtr(2, 0, 0, atr);
       }, -3},
  };
  for (const Row& row : rows) EXPECT_EQ(row.call(), row.expected) << row.what;
  EXPECT_EQ(Bytes(atr, atr + 16), Slot(1).atr);
  EXPECT_EQ(Bytes(answer, answer + 20), Slot(1).response);
  const std::vector<Bytes> requests = Requests();
  ASSERT_EQ(requests.size(), 7u);  // the refused arguments sent nothing
  EXPECT_EQ(requests[0], (Bytes{0x55, 0xAA, 0x04, 0x35, 0xFF, 0xFF, 0xCE}));
  EXPECT_EQ(requests[2], VendorFrame({0x32, 0xFF, 0x01, 0x01, 0x00}));
  EXPECT_EQ(requests[4], (Bytes{0x55, 0xAA, 0x04, 0x34, 0xFF, 0x01, 0x31}));
}

INSTANTIATE_TEST_SUITE_P(Transports, Psam, ::testing::ValuesIn(CardTransports()),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

}  // namespace
}  // namespace vantel
