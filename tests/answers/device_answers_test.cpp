// The short answers of the device operations, byte for byte, on each transport.
#include "library/answers/device_operations.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "answer_fixture.h"
#include "support/id_card_writer.h"

namespace vantel {
namespace {

using vantel_test::SimCpuCard;
using vantel_test::SimM1Card;

enum class CardKind { kNone, kIdentity, kM1, kCpu };

struct OperationCase {
  const char* name;
  CardKind card;
  std::function<void(char*)> operation;
  std::string expected;
};

std::vector<OperationCase> OperationCases(Via via) {
  const std::string key = "FFFFFFFFFFFF";
  return {
      {"connect", CardKind::kNone, dxconnect,
       "{\"resultFlag\":0,\"isCloud\":1,\"errorMsg\":\"打开端口成功\"}"},
      {"status", CardKind::kNone, dxgetStatus,
       "{\"resultFlag\":0,\"errorMsg\":\"正常连接\",\"status\":0}"},
      {"version", CardKind::kNone, dxgetVersion,
       "{\"resultFlag\":0,\"versionSerial\":\"1.0.0.7\",\"venderId\":10008,\"errorMsg\":\"打开端口成功\"}"},
      {"SAM id", CardKind::kNone, dxgetSAMID,
       "{\"resultFlag\":0,\"SAMID\":\"05011234567818347651141144201745\",\"errorMsg\":\"读安全模块序列号成功\"}"},
      {"SAM id text", CardKind::kNone, dxgetSAMIDStr,
       "{\"resultFlag\":0,\"SAMID\":\"05.01-12345678-1834765114-1144201745\",\"errorMsg\":\"读安全模块序列号成功\"}"},
      {"ID card serial", CardKind::kIdentity, readIDCardSN,
       "{\"resultFlag\":0,\"IDCardSerial\":\"0000000000000000\",\"errorMsg\":\"读ID卡序列号成功\"}"},
      {"IC card serial", CardKind::kM1, readICCardSN,
       "{\"resultFlag\":0,\"ICCardSerial\":\"12345678\",\"errorMsg\":\"读IC卡序列号成功\"}"},
      {"IC card serial and type", CardKind::kM1, dxReadICCardSN,
       "{\"resultFlag\":0,\"ICCardtypeCode\":1,\"ICCardtype\":\"M1-S50卡\",\"ICCardSN\":\"12345678\","
       "\"errorMsg\":\"读IC卡序列号成功\"}"},
      {"IC card serial without a card", CardKind::kNone, dxReadICCardSN,
       "{\"resultFlag\":-2,\"ICCardtypeCode\":0,\"ICCardtype\":\"\",\"ICCardSN\":\"\","
       "\"errorMsg\":\"找IC卡失败\"}"},
      {"M1 write", CardKind::kM1,
       [key](char* out) { writeM1Card("1", "2", "1", key.c_str(), "00112233445566778899AABBCCDDEEFF", out); },
       "{\"resultFlag\":0,\"errorMsg\":\"写M1卡扇区内容成功\"}"},
      {"M1 read", CardKind::kM1, [key](char* out) { readM1Card("1", "2", "01", key.c_str(), out); },
       "{\"resultFlag\":0,\"Data\":\"00000000000000000000000000000000\",\"errorMsg\":\"读M1卡扇区内容成功\"}"},
      {"M1 read without a card", CardKind::kNone,
       [key](char* out) { readM1Card("1", "2", "1", key.c_str(), out); },
       "{\"resultFlag\":-2,\"Data\":\"\",\"errorMsg\":\"找IC卡失败\"}"},
      {"APDU", CardKind::kCpu, [](char* out) { handleAPDUCMD("00B0000004", out); },
       via == Via::kUsbDriver
           ? "{\"resultFlag\":-4,\"DataLen\":0,\"Data\":\"\",\"errorMsg\":\"不支持端口协议\"}"
           : "{\"resultFlag\":0,\"DataLen\":6,\"Data\":\"01080F169000\",\"errorMsg\":\"CPU卡指令发送成功\"}"},
      {"APDU to an M1 card", CardKind::kM1, [](char* out) { handleAPDUCMD("00B0000004", out); },
       "{\"resultFlag\":-2,\"DataLen\":0,\"Data\":\"\",\"errorMsg\":\"当前卡片非CPU卡\"}"},
      {"mute", CardKind::kNone, [](char* out) { dxKestor_Mute(0x100, out); },
       "{\"resultFlag\":1,\"errorMsg\":\"设置成功\"}"},
      {"repeat read", CardKind::kNone, [](char* out) { dxKestor_RepeatRead(0, out); },
       "{\"resultFlag\":1,\"errorMsg\":\"设置成功\"}"},
      {"disconnect", CardKind::kNone, dxdisconnect, "{\"resultFlag\":0,\"errorMsg\":\"断开连接成功\"}"},
      {"disconnect again", CardKind::kNone, dxdisconnect,
       "{\"resultFlag\":-1,\"errorMsg\":\"断开连接失败\"}"},
  };
}

TEST_P(JsonAnswers, OperationsAnswerByteForByte) {
  for (const OperationCase& row : OperationCases(GetParam())) {
    SCOPED_TRACE(row.name);
    if (row.card == CardKind::kIdentity) rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
    if (row.card == CardKind::kM1) Place<SimM1Card>();
    if (row.card == CardKind::kCpu) Place<SimCpuCard>();
    if (row.card == CardKind::kNone) rig.sim().RemoveCard();
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
