// The short answers of the device operations, byte for byte, on each transport.
#include "library/answers/device_operations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "answer_fixture.h"
#include "operation_cases.h"

namespace vantel {
namespace {

using vantel_test::SimM1Card;

TEST_P(JsonAnswers, OperationsAnswerByteForByte) {
  for (const OperationCase& row : OperationCases(GetParam() != Via::kUsbDriver)) {
    SCOPED_TRACE(row.name);
    PlaceCardOf(rig.sim(), row.card);
    EXPECT_EQ(AnswerOf(row.operation), row.expected);
  }
}

TEST_P(JsonAnswers, KeyTypeOneIsKeyAAnyOtherKeyB) {
  SimM1Card* card = Place<SimM1Card>();
  // Key B of sector 1 differs from key A (FF...).
  Bytes& trailer = card->Block(1, 3);
  std::fill(trailer.begin() + 10, trailer.end(), 0xB0);
  card->Block(1, 2) = Bytes(16, 0x5A);
  std::string blockHex;
  for (int i = 0; i < 16; ++i) blockHex += "5A";
  const std::string read = "{\"resultFlag\":0,\"Data\":\"" + blockHex + "\",\"errorMsg\":\"读M1卡扇区内容成功\"}";
  EXPECT_EQ(AnswerOf([](char* out) { readM1Card("1", "2", "2", "B0B0B0B0B0B0", out); }), read);
  EXPECT_EQ(AnswerOf([](char* out) { readM1Card("1", "2", "01", "FFFFFFFFFFFF", out); }), read);
  EXPECT_NE(AnswerOf([](char* out) { readM1Card("1", "2", "1", "B0B0B0B0B0B0", out); }), read);
}

TEST_P(JsonAnswers, ArgumentsAreCheckedBeforeTheReaderIsOpened) {
  Place<SimM1Card>();
  const std::string longKey(514, 'F');
  const std::string longData(130, '0');
  const std::string readRefused = "{\"resultFlag\":-4,\"Data\":\"\",\"errorMsg\":\"参数错误\"}";
  const std::string writeRefused = "{\"resultFlag\":-3,\"errorMsg\":\"参数错误\"}";
  EXPECT_EQ(AnswerOf([](char* out) { readM1Card("1", nullptr, "1", "FFFFFFFFFFFF", out); }), readRefused);
  EXPECT_EQ(AnswerOf([&](char* out) { readM1Card("1", "2", "1", longKey.c_str(), out); }), readRefused);
  EXPECT_EQ(AnswerOf([](char* out) { writeM1Card("1", "2", "1", "FFFFFFFFFFFF", nullptr, out); }), writeRefused);
  EXPECT_EQ(AnswerOf([&](char* out) { writeM1Card("1", "2", "1", "FFFFFFFFFFFF", longData.c_str(), out); }),
            writeRefused);
  EXPECT_EQ(AnswerOf([](char* out) { handleAPDUCMD("", out); }),
            "{\"resultFlag\":-8,\"DataLen\":0,\"Data\":\"\",\"errorMsg\":\"参数错误\"}");
  handleAPDUCMD("00B0000004", nullptr);
  EXPECT_TRUE(rig.sim().Requests().empty());
}

TEST_P(JsonAnswers, SilentSamGivesTheZeroId) {
  rig.sim().OnSamCommand(0x12, 0xFF, [](const vantel_test::SamRequest&) {
    return vantel_test::SamAnswer{0, 0, 0x10, {}};
  });
  EXPECT_EQ(AnswerOf(dxgetSAMID), "{\"resultFlag\":-1,\"SAMID\":\"" + std::string(32, '0') +
                                      "\",\"errorMsg\":\"读安全模块序列号失败\"}");
  EXPECT_EQ(AnswerOf(dxgetSAMIDStr),
            "{\"resultFlag\":-1,\"SAMID\":\"00.00-00000000-0000000000-0000000000\","
            "\"errorMsg\":\"读安全模块序列号失败\"}");
}

TEST_P(JsonAnswers, CardSerialBeepsTwiceUnlessMuted) {
  Place<SimM1Card>();
  AnswerOf([](char* out) { dxKestor_Mute(0x100, out); });
  AnswerOf(readICCardSN);
  // The beeper answers on HID and PC/SC; a USB reader's byte stream is not a COM port.
  const std::vector<std::uint8_t> twice{0x03, 0x00, 0x03, 0x00};
  EXPECT_EQ(rig.sim().Device().ledControls,
            GetParam() == Via::kUsbDriver ? std::vector<std::uint8_t>{} : twice);
  rig.sim().Device().ledControls.clear();
  AnswerOf([](char* out) { dxKestor_Mute(1, out); });
  AnswerOf(readICCardSN);
  EXPECT_TRUE(rig.sim().Device().ledControls.empty());
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Transports, JsonAnswers, ::testing::ValuesIn(AnswerTransports()),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

}  // namespace vantel
