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
// one report goes on in the reports after it. Frames of 53 and 117 bytes of record end on a
// report's last byte; at 54, 118, 182 and 246 only the check byte goes on, here 0, so that its
// report is all zero; the 280-byte record has a report's worth of zeros at 118..181.
TEST_P(SamCommands, NewAddressRecordIsCopied) {
  const struct {
    std::size_t size;
    std::size_t zerosFrom, zerosTo;
  } records[] = {{8, 0, 0},   {53, 0, 0},  {54, 0, 0},  {117, 0, 0},    {118, 0, 0},
                 {182, 0, 0}, {246, 0, 0}, {250, 0, 0}, {280, 118, 182}};
  for (const auto& r : records) {
    SCOPED_TRACE(r.size);
    Bytes address(r.size);
    for (std::size_t i = 0; i < r.size; ++i)
      address[i] = i >= r.zerosFrom && i < r.zerosTo ? 0 : static_cast<std::uint8_t>(i * 7 + 1);
    // The last byte chosen so that the check byte after it is 0.
    address.back() ^= vantel_test::SamAnswerFrame(0, 0, 0x90, address).back();
    rig.sim().OnSamCommand(0x30, 0x03, [address](const SamRequest&) {
      return SamAnswer{0, 0, 0x90, address};
    });
    unsigned char out[280] = {};
    unsigned length = 99;
    EXPECT_EQ(ReadNewAppMsg(rig.Port(), out, &length, 0), 144);
    EXPECT_EQ(Bytes(out, out + length), address);
    // Nothing of the record is left for the next command.
    EXPECT_EQ(GetSamStatus(rig.Port(), 0), 144);
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
