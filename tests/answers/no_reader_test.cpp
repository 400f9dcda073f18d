// The answers when no reader is attached: port 1001 does not open.
#include <gtest/gtest.h>

#include "library/answers/device_operations.h"
#include "library/answers/library_card_answers.h"
#include "operation_cases.h"
#include "support/transport_rig.h"

namespace vantel {
namespace {

TEST(AnswersWithoutReader, EachOperationNamesThePort) {
  vantel_test::ResetLibraryState();
  const std::pair<std::function<void(char*)>, std::string> rows[] = {
      {dxgetStatus, "{\"resultFlag\":0,\"errorMsg\":\"未连接或打开端口失败\",\"status\":1}"},
      {dxconnect, "{\"resultFlag\":-1,\"isCloud\":1,\"errorMsg\":\"打开端口失败\"}"},
      {dxgetSAMIDStr, "{\"resultFlag\":-1,\"SAMID\":\"\",\"errorMsg\":\"打开端口失败\"}"},
      {dxReadICCardSN,
       "{\"resultFlag\":-1,\"ICCardtypeCode\":0,\"ICCardtype\":\"\",\"ICCardSN\":\"\","
       "\"errorMsg\":\"设备打开失败\"}"},
      {[](char* out) { readM1Card("1", "2", "1", "FFFFFFFFFFFF", out); },
       "{\"resultFlag\":-1,\"Data\":\"\",\"errorMsg\":\"打开设备失败\"}"},
      {[](char* out) { handleAPDUCMD("0084000008", out); },
       "{\"resultFlag\":-1,\"DataLen\":0,\"Data\":\"\",\"errorMsg\":\"设备打开失败\"}"},
      {[](char* out) {
         int length = 0;
         readCard(out, &length);
       },
       "{\"resultFlag\":-1,\"errorMsg\":\"端口打开失败\"}"},
  };
  for (const auto& [operation, expected] : rows) EXPECT_EQ(AnswerOf(operation), expected);
}

}  // namespace
}  // namespace vantel
