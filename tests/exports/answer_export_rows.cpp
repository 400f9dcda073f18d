// The rows of the JSON answers and the "|" text read. The answers open port 1001, where this
// program has no reader: each says so in its own words; the "|" read takes the line's port,
// where the identity-card rows left a foreign card.
#include <cstring>

#include "export_rows.h"

namespace vantel_test::export_rows {
namespace {

using OutOnly = void(char*);

// The answer an export copies into a zero-filled 1 KiB buffer.
template <typename Call>
std::string Answer(Call call) {
  char out[1024] = {};
  call(out);
  return out;
}

Row OutOnlyRow(const std::string& expected) {
  return [expected](void* f, ReaderSim&, const std::string&) {
    EXPECT_EQ(Answer([f](char* out) { As<OutOnly>(f)(out); }), expected);
  };
}

Row CardReadRow() {
  return [](void* f, ReaderSim&, const std::string&) {
    char out[1024] = {};
    int length = 0;
    EXPECT_EQ(As<int(char*, int*)>(f)(out, &length), 0);
    EXPECT_EQ(std::string(out), "{\"resultFlag\":-1,\"errorMsg\":\"端口打开失败\"}");
    EXPECT_EQ(length, static_cast<int>(std::strlen(out)));
  };
}

}  // namespace

RowTable AnswerRows() {
  const std::string portFailed = "\"errorMsg\":\"打开端口失败\"}";
  return {
      {"dxconnect", OutOnlyRow("{\"resultFlag\":-1,\"isCloud\":1," + portFailed)},
      {"dxdisconnect", [](void* f, ReaderSim&, const std::string&) {
         As<OutOnly>(f)(Answer([f](char* out) { As<OutOnly>(f)(out); }).data());
         EXPECT_EQ(Answer([f](char* out) { As<OutOnly>(f)(out); }),
                   "{\"resultFlag\":-1,\"errorMsg\":\"断开连接失败\"}");
       }},
      {"dxgetStatus", OutOnlyRow("{\"resultFlag\":0,\"errorMsg\":\"未连接或打开端口失败\",\"status\":1}")},
      {"dxgetVersion",
       OutOnlyRow("{\"resultFlag\":-1,\"versionSerial\":\"1.0.0.7\",\"venderId\":10008," + portFailed)},
      {"readICCardSN", OutOnlyRow("{\"resultFlag\":-1,\"ICCardSerial\":\"\"," + portFailed)},
      {"readIDCardSN", OutOnlyRow("{\"resultFlag\":-1,\"IDCardSerial\":\"\"," + portFailed)},
      {"dxgetSAMID", OutOnlyRow("{\"resultFlag\":-1,\"SAMID\":\"\"," + portFailed)},
      {"dxgetSAMIDStr", OutOnlyRow("{\"resultFlag\":-1,\"SAMID\":\"\"," + portFailed)},
      {"dxReadICCardSN",
       OutOnlyRow("{\"resultFlag\":-1,\"ICCardtypeCode\":0,\"ICCardtype\":\"\",\"ICCardSN\":\"\","
                  "\"errorMsg\":\"设备打开失败\"}")},
      {"readM1Card", [](void* f, ReaderSim&, const std::string&) {
         using Read = void(const char*, const char*, const char*, const char*, char*);
         EXPECT_EQ(Answer([f](char* out) { As<Read>(f)("1", "2", "1", "FFFFFFFFFFFF", out); }),
                   "{\"resultFlag\":-1,\"Data\":\"\",\"errorMsg\":\"打开设备失败\"}");
       }},
      {"writeM1Card", [](void* f, ReaderSim&, const std::string&) {
         using Write = void(const char*, const char*, const char*, const char*, const char*, char*);
         EXPECT_EQ(Answer([f](char* out) { As<Write>(f)("1", "2", "1", "FFFFFFFFFFFF", "00", out); }),
                   "{\"resultFlag\":-1,\"errorMsg\":\"打开设备失败\"}");
       }},
      {"handleAPDUCMD", [](void* f, ReaderSim&, const std::string&) {
         EXPECT_EQ(Answer([f](char* out) { As<void(const char*, char*)>(f)("", out); }),
                   "{\"resultFlag\":-8,\"DataLen\":0,\"Data\":\"\",\"errorMsg\":\"参数错误\"}");
       }},
      {"dxKestor_Mute", [](void* f, ReaderSim&, const std::string&) {
         EXPECT_EQ(Answer([f](char* out) { As<void(int, char*)>(f)(0, out); }),
                   "{\"resultFlag\":1,\"errorMsg\":\"设置成功\"}");
       }},
      {"dxKestor_RepeatRead", [](void* f, ReaderSim&, const std::string&) {
         EXPECT_EQ(Answer([f](char* out) { As<void(int, char*)>(f)(0, out); }),
                   "{\"resultFlag\":1,\"errorMsg\":\"设置成功\"}");
       }},
      {"readCard", CardReadRow()},
      {"readCert", CardReadRow()},
      {"Kestor_ReadAllTypeCardInfos", [](void* f, ReaderSim&, const std::string&) {
         using Read = int(int, char*, const char*);
         char out[256] = {};
         EXPECT_EQ(As<Read>(f)(kPort, nullptr, ""), -1);
         EXPECT_EQ(As<Read>(f)(kPort, out, ""), 2);
         EXPECT_EQ(std::string(out).substr(0, 12), "SMITH, JOHN|");
         CallExport("Kestor_RepeatRead", 0);          // as the rows after this one expect
       }},
  };
}

}  // namespace vantel_test::export_rows
