// The service's API handlers called as the routes call them, in a program without any reader:
// each answers its operation's failure, converted to UTF-8.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "service/api/api_handlers.h"
#include "service/api/reader_mutex.h"

namespace lumarin {
namespace {

std::string AnswerOf(ApiHandler handler, ParamMap params) {
  std::unique_ptr<char[]> result(new char[kAnswerBufferSize]());
  handler(params, result.get());
  return result.get();
}

TEST(ApiHandlers, WithoutAReaderEachAnswersItsFailure) {
  CreateReaderMutex();
  const ParamMap m1 = {{"SID", "1"}, {"BID", "2"}, {"KEYTYPE", "1"}, {"KEY", "FFFFFFFFFFFF"}};
  ParamMap m1Write = m1;
  m1Write["DATA"] = "00112233445566778899AABBCCDDEEFF";
  const RouteHandlers routes = ServiceRouteHandlers();
  const struct {
    const char* name;
    ApiHandler handler;
    ParamMap params;
    const char* answer;
  } rows[] = {
      {"readCert", routes.readCert, {}, u8"{\"resultFlag\":-1,\"errorMsg\":\"端口打开失败\"}"},
      {"readCard", routes.readCard, {}, u8"{\"resultFlag\":-1,\"errorMsg\":\"端口打开失败\"}"},
      {"connect", routes.connect, {}, u8"{\"resultFlag\":-1,\"isCloud\":1,\"errorMsg\":\"打开端口失败\"}"},
      {"disconnect", routes.disconnect, {}, u8"{\"resultFlag\":-1,\"errorMsg\":\"断开连接失败\"}"},
      {"getVersion", routes.getVersion, {}, u8"{\"resultFlag\":-1,\"versionSerial\":\"1.0.0.7\",\"venderId\":10008,\"errorMsg\":\"打开端口失败\"}"},
      {"getStatus", routes.getStatus, {}, u8"{\"resultFlag\":0,\"errorMsg\":\"未连接或打开端口失败\",\"status\":1}"},
      {"readIDCardSN", routes.readIDCardSN, {}, u8"{\"resultFlag\":-1,\"IDCardSerial\":\"\",\"errorMsg\":\"打开端口失败\"}"},
      {"readICCardSN", routes.readICCardSN, {}, u8"{\"resultFlag\":-1,\"ICCardSerial\":\"\",\"errorMsg\":\"打开端口失败\"}"},
      {"getSAMID", routes.getSAMID, {}, u8"{\"resultFlag\":-1,\"SAMID\":\"\",\"errorMsg\":\"打开端口失败\"}"},
      {"getSAMIDStr", routes.getSAMIDStr, {}, u8"{\"resultFlag\":-1,\"SAMID\":\"\",\"errorMsg\":\"打开端口失败\"}"},
      {"readM1Card", routes.readM1Card, m1, u8"{\"resultFlag\":-1,\"Data\":\"\",\"errorMsg\":\"打开设备失败\"}"},
      {"writeM1Card", routes.writeM1Card, m1Write, u8"{\"resultFlag\":-1,\"errorMsg\":\"打开设备失败\"}"},
      {"handleAPDUCMD", routes.handleAPDUCMD, {{"APDUCMD", "00B0000004"}}, u8"{\"resultFlag\":-1,\"DataLen\":0,\"Data\":\"\",\"errorMsg\":\"设备打开失败\"}"},
      {"mute", routes.mute, {{"ISMUTE", "true"}}, u8"{\"resultFlag\":1,\"errorMsg\":\"设置成功\"}"},
      {"repeatRead", routes.repeatRead, {{"ISREPEAT", "true"}}, u8"{\"resultFlag\":1,\"errorMsg\":\"设置成功\"}"},
  };
  for (const auto& row : rows) EXPECT_EQ(AnswerOf(row.handler, row.params), row.answer) << row.name;
  DestroyReaderMutex();
}

}  // namespace
}  // namespace lumarin
