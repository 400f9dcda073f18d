// One read of a connection turned into its answer, with handlers of the test's own.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "service/net/request_answer.h"
#include "service/net/service_text.h"
#include "support/net/http_answer_text.h"

namespace lumarin {
namespace {

using vantel_test::kEmptyOkAnswer;
using vantel_test::kNotFoundAnswer;
using vantel_test::OkAnswer;

// The mute route's own answer: what the handlers write is UTF-8.
const std::string kMuteBody = u8"{\"resultFlag\":1,\"errorMsg\":\"设置成功\"}";

void MuteHandler(ParamMap&, char* result) { std::strcpy(result, kMuteBody.c_str()); }
void ReadCardHandler(ParamMap&, char* result) { std::strcpy(result, "{\"card\":1}"); }
// Shows the parameters as the handler got them: "name=value;" in map order.
void EchoHandler(ParamMap& params, char* result) {
  std::string text;
  for (const auto& [name, value] : params) text += name + "=" + value + ";";
  std::strcpy(result, text.c_str());
}
// The largest result a handler may leave: the whole buffer but its NUL.
void LargestHandler(ParamMap&, char* result) { std::memset(result, 'x', kAnswerBufferSize - 1); }
// Two bytes and no NUL: it relies on the result being zeroed.
void UnterminatedHandler(ParamMap&, char* result) { std::memcpy(result, "{}", 2); }

RouteTable& TestRoutes() {
  static RouteTable routes;
  RouteHandlers handlers{};
  handlers.readCard = ReadCardHandler;
  handlers.mute = MuteHandler;
  handlers.readM1Card = EchoHandler;
  handlers.getSAMIDStr = LargestHandler;
  handlers.getVersion = UnterminatedHandler;
  routes.Fill(handlers);
  return routes;
}

std::vector<std::string> gLogLines;
void CollectLine(const char* line) { gLogLines.emplace_back(line); }

std::string Answer(const std::string& read, RequestLogWriter log = nullptr) {
  AnswerBuffer buffer;
  const AnswerText answer = AnswerRequest(read.c_str(), TestRoutes(), log, buffer);
  return answer.bytes ? std::string(answer.bytes, static_cast<std::size_t>(answer.length))
                      : "(none)";
}

TEST(RequestAnswer, MethodPathAndVersionChooseTheAnswer) {
  const std::string card = OkAnswer("{\"card\":1}");
  const struct {
    const char* read;
    std::string answer;
  } rows[] = {
      {"GET /api/Kestor_Mute?ISMUTE=true HTTP/1.1\r\nHost: x\r\n\r\n", OkAnswer(kMuteBody)},
      {"POST /api/readCard HTTP/1.1\r\nContent-Length: 3\r\n\r\na b", card},
      {"OPTIONS /api/readCard HTTP/1.1\r\n\r\n", kEmptyOkAnswer},
      {"HEAD /api/readCard HTTP/1.1\r\n\r\n", kEmptyOkAnswer},
      {"PUT /nowhere HTTP/1.1\r\n\r\n", kEmptyOkAnswer},
      {"get /api/readCard HTTP/1.1\r\n\r\n", kEmptyOkAnswer},
      {"GET /api/readcard HTTP/1.1\r\n\r\n", kNotFoundAnswer},
      {"GET /api/readCard/ HTTP/1.1\r\n\r\n", kNotFoundAnswer},
      {"GET /api/getStatus HTTP/1.1\r\n\r\n", kNotFoundAnswer},  // a route without a handler
      // No version: the path runs to the end of the read, blanks trimmed, line ends kept.
      {"GET /api/readCard", card},
      {"GET   /api/readCard   ", card},
      {"GET /api/readCard\r\n", kNotFoundAnswer},
      {"GET /api/readCard\0 HTTP/1.1\r\n\r\n", card},
      {"GET /api/readCard HTTP/1.1\r\n\r\nGET /api/Kestor_Mute HTTP/1.1\r\n\r\n", card},
      {"GET", "(none)"},
      {"     ", "(none)"},
      {"\r\nGET\r\n", "(none)"},
  };
  for (const auto& row : rows) EXPECT_EQ(Answer(row.read), row.answer) << row.read;
}

TEST(RequestAnswer, QueryBecomesTheParametersUndecodedFirstValueCounting) {
  const struct {
    const char* query;
    const char* params;
  } rows[] = {
      {"SID=1&SID=2&BID=3", "BID=3;SID=1;"},
      {"SID&=x&&a==b=c", "SID=;a=b;x=;"},
      {"===&sid=5", "=;sid=5;"},
      {"KEY=%20+a&DATA=%41", "DATA=%41;KEY=%20+a;"},
      // The character in front of "HTTP", normally the blank before the version, is cut.
      {"ISMUTE= true  HTTP/1.1\r\n", "ISMUTE= true ;"},
      {"KEY=abcHTTPdef", "KEY=ab;"},
      {"", ""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(Answer(std::string("GET /api/readM1Card?") + row.query), OkAnswer(row.params))
        << row.query;
  }
}

TEST(RequestAnswer, TheLargestResultLeavesWholeAndNothingOfItStaysForTheNextAnswer) {
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(Answer("GET /api/getSAMIDStr HTTP/1.1\r\n\r\n"),
              OkAnswer(std::string(kAnswerBufferSize - 1, 'x')));
    EXPECT_EQ(Answer("GET /api/getVersion HTTP/1.1\r\n\r\n"), OkAnswer("{}"));
  }
}

TEST(RequestAnswer, LogShowsQueryEachParameterAndThePathCutTo1023Bytes) {
  gLogLines.clear();
  Answer("PUT /api/x?a=1&b HTTP/1.1\r\n", CollectLine);
  const std::vector<std::string> expected = {"所有参数字符串a=1&b", "参数名：a,参数值：1",
                                             "参数名：b,参数值：", " /api/x"};
  EXPECT_EQ(gLogLines, expected);

  gLogLines.clear();
  Answer("GET /?" + std::string(1010, 'q'), CollectLine);
  ASSERT_EQ(gLogLines.size(), 3u);
  EXPECT_EQ(gLogLines[0].size(), 1023u);
}

TEST(ServiceText, SplitTrimAndConvert) {
  using Pieces = std::vector<std::string>;
  EXPECT_EQ(SplitString("&a&&b=c&", "&"), (Pieces{"a", "b=c"}));
  EXPECT_EQ(SplitString("a=b&c", "&="), (Pieces{"a", "b", "c"}));
  EXPECT_EQ(SplitString("abc", ""), Pieces{});
  EXPECT_EQ(SplitString("", "&"), Pieces{});

  std::string text = "  \t a b \r\n  ";
  EXPECT_EQ(TrimSpaces(text), "\t a b \r\n");
  text = "   ";
  EXPECT_EQ(TrimSpaces(text), "");

  char out[64];
  ASSERT_EQ(AnsiToUtf8Buffer("设置成功", out, sizeof out), 0);
  EXPECT_STREQ(out, u8"设置成功");
  // Twelve UTF-8 bytes and the NUL do not fit in twelve: nothing cut is left behind.
  EXPECT_EQ(AnsiToUtf8Buffer("设置成功", out, 12), -1);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(AnsiToUtf8Buffer("设置成功", out, 13), 0);
}

template <int N>
void Numbered(ParamMap&, char* result) {
  std::strcpy(result, std::to_string(N).c_str());
}

TEST(RouteTable, EachApiPathReachesItsOwnHandlerAndOnlyTheFirstFillCounts) {
  RouteTable routes;
  routes.Fill({Numbered<0>, Numbered<1>, Numbered<2>, Numbered<3>, Numbered<4>, Numbered<5>,
               Numbered<6>, Numbered<7>, Numbered<8>, Numbered<9>, Numbered<10>, Numbered<11>,
               Numbered<12>, Numbered<13>, Numbered<14>});
  const ApiHandler other = Numbered<99>;
  routes.Fill({other, other, other, other, other, other, other, other, other, other, other,
               other, other, other, other});
  const char* paths[] = {"/api/readCert",     "/api/readCard",     "/api/connect",
                         "/api/disconnect",   "/api/getVersion",   "/api/getStatus",
                         "/api/readIDCardSN", "/api/readICCardSN", "/api/getSAMID",
                         "/api/readM1Card",   "/api/writeM1Card",  "/api/handleAPDUCMD",
                         "/api/Kestor_Mute",  "/api/getSAMIDStr",  "/api/setRepeatRead"};
  for (int i = 0; i < 15; ++i) {
    const ApiHandler handler = routes.Find(paths[i]);
    ASSERT_NE(handler, nullptr) << paths[i];
    ParamMap params;
    char result[8] = {};
    handler(params, result);
    EXPECT_EQ(result, std::to_string(i)) << paths[i];
  }
  EXPECT_EQ(routes.Find("/api/readCard "), nullptr);
}

}  // namespace
}  // namespace lumarin
