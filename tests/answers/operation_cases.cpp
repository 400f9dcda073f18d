#include "operation_cases.h"

#include <cstring>
#include <memory>

#include "library/answers/device_operations.h"
#include "support/reader_sim_cards.h"

namespace vantel {

std::vector<OperationCase> OperationCases(bool apduPath) {
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
      {"ID card serial", CardKind::kNone, readIDCardSN,
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
       !apduPath
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

void PlaceCardOf(vantel_test::ReaderSim& sim, CardKind kind) {
  if (kind == CardKind::kM1) sim.PlaceCard(std::make_shared<vantel_test::SimM1Card>());
  if (kind == CardKind::kCpu) sim.PlaceCard(std::make_shared<vantel_test::SimCpuCard>());
  if (kind == CardKind::kNone) sim.RemoveCard();
}

std::string AnswerOf(const std::function<void(char*)>& operation) {
  char out[1024];
  std::memset(out, '\xCC', sizeof out);
  operation(out);
  const std::string whole(out, sizeof out);
  return whole.substr(0, whole.find('\xCC'));
}

}  // namespace vantel
