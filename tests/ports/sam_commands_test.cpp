// The SAM commands on every transport the simulator reaches: results, data and the request
// bytes on the wire.
#include "library/device/sam_commands.h"

#include <gtest/gtest.h>

#include "library/device/device_state.h"
#include "library/device/port_api.h"
#include "sam_commands_fixture.h"

namespace vantel {

using vantel_test::SamAnswer;
using vantel_test::SamRequest;

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

// Records of 240 bytes and more take a second packet on PC/SC; on HID a record longer than
// one report goes on in the reports after it (at 54 bytes only its check byte does).
TEST_P(SamCommands, NewAddressRecordIsCopied) {
  for (std::size_t size : {8u, 54u, 250u}) {
    SCOPED_TRACE(size);
    Bytes address(size);
    for (std::size_t i = 0; i < size; ++i) address[i] = static_cast<std::uint8_t>(i * 7 + 1);
    rig.sim().OnSamCommand(0x30, 0x03, [address](const SamRequest&) {
      return SamAnswer{0, 0, 0x90, address};
    });
    unsigned char out[280] = {};
    unsigned length = 99;
    EXPECT_EQ(ReadNewAppMsg(rig.Port(), out, &length, 0), 144);
    EXPECT_EQ(Bytes(out, out + length), address);
  }
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

}  // namespace vantel
