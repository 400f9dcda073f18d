// The command side of the WebSocket server with handlers of the test's own, each answering
// with its own name and the parameters it was given: the command table, the request reading,
// the answer's name and push mode, the last over real loopback clients.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <climits>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "service/net/ws_commands.h"
#include "service/net/ws_server.h"
#include "support/eventually.h"
#include "support/local_socket.h"
#include "support/net/websocket_client.h"

namespace lumarin {
namespace {

using vantel_test::WebSocketClient;

// The fields of RouteHandlers, in their order.
constexpr const char* kHandlerNames[] = {
    "readCert",  "readCard",     "connect",      "disconnect",  "getVersion",
    "getStatus", "readIDCardSN", "readICCardSN", "getSAMID",    "readM1Card",
    "writeM1Card", "handleAPDUCMD", "mute",      "getSAMIDStr", "repeatRead"};

// Whether the reads of push mode find a card.
std::atomic<bool> gCardPresent{false};

// {"resultFlag":F,"handler":"<its field>","params":"K=V;..."}; the reads fail without a card.
template <int kIndex>
void Recorder(ParamMap& params, char* result) {
  std::string given;
  for (const auto& [name, value] : params) given += name + "=" + value + ";";
  const bool read = kIndex <= 1;
  std::snprintf(result, kAnswerBufferSize,
                "{\"resultFlag\":%d,\"handler\":\"%s\",\"params\":\"%s\"}",
                read && !gCardPresent ? -1 : 0, kHandlerNames[kIndex], given.c_str());
}

RouteHandlers RecordingHandlers() {
  return RouteHandlers{Recorder<0>,  Recorder<1>,  Recorder<2>,  Recorder<3>,  Recorder<4>,
                       Recorder<5>,  Recorder<6>,  Recorder<7>,  Recorder<8>,  Recorder<9>,
                       Recorder<10>, Recorder<11>, Recorder<12>, Recorder<13>, Recorder<14>};
}

std::string Recorded(const std::string& name, const std::string& handler,
                     const std::string& params = "") {
  return "{\"name\":\"" + name + "\",\"resultFlag\":0,\"handler\":\"" + handler +
         "\",\"params\":\"" + params + "\"}";
}

std::string Unsupported(const std::string& escaped_name) {
  return "{\"name\":\"" + escaped_name + u8R"(","resultFlag":-2,"errorMsg":"不支持的功能"})";
}

const std::string kPushOpened = u8R"({"name":"openPush","resultFlag":0,"errorMsg":"已开启推送"})";
const std::string kPushClosed = u8R"({"name":"closePush","resultFlag":0,"errorMsg":"已关闭推送"})";

class WsDispatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gCardPresent = false;
    gPushWithImg = false;
    gPushInterval = 1000;
    server_ = std::make_unique<WsServer>(RecordingHandlers());
  }
  void TearDown() override {
    server_.reset();
    EXPECT_FALSE(gPushOn);  // the server ends push mode with itself
  }

  std::string Answer(const std::string& request) {
    std::vector<char> out(kNamedAnswerSize);
    server_->Dispatch(request.c_str(), out.data());
    return out.data();
  }

  std::unique_ptr<WsServer> server_;
};

TEST_F(WsDispatchTest, EveryCommandReachesItsHandler) {
  gCardPresent = true;
  for (const std::string name : kHandlerNames) {
    // The two on/off settings are always given, empty when the request has none.
    const std::string params = name == "mute" ? "ISMUTE=;" : name == "repeatRead" ? "ISREPEAT=;" : "";
    EXPECT_EQ(Answer("{\"name\":\"" + name + "\"}"), Recorded(name, name, params));
  }
}

TEST_F(WsDispatchTest, ReadsNamesAndParametersFromTheRequest) {
  const struct {
    std::string request;
    std::string answer;
  } cases[] = {
      {R"({"name":"readM1Card","SID":"1","params":{"BID":"2","KEY":"FF"}})",
       Recorded("readM1Card", "readM1Card", "BID=2;KEY=FF;")},
      {R"({"name":"mute","isMute":true})", Recorded("mute", "mute", "ISMUTE=true;")},
      {R"({"name":"mute","params":{"ISMUTE":"true"}})", Recorded("mute", "mute", "ISMUTE=;")},
      {R"({"name":"repeatRead","isRepeatRead":"TRUE","params":{"X":"y"}})",
       Recorded("repeatRead", "repeatRead", "ISREPEAT=TRUE;X=y;")},
      // Numbers read as their decimal text; arrays, objects and null as the empty text.
      {R"({"name":"writeM1Card","params":{"SID":12,"BID":[1],"KEY":{"a":1},"KEYTYPE":null,"DATA":false}})",
       Recorded("writeM1Card", "writeM1Card", "BID=;DATA=false;KEY=;KEYTYPE=;SID=12;")},
      {R"({"name":"getStatus","params":"SID"})", Recorded("getStatus", "getStatus")},
      {R"({"name":"getStatus","params":[{"SID":"1"}]})", Recorded("getStatus", "getStatus")},
      {R"(/* a page's comment */ {"name":"getVersion"})", Recorded("getVersion", "getVersion")},
      // Unknown, differently cased, unnamed, not JSON, not an object.
      {R"({"name":"foo"})", Unsupported("foo")},
      {R"({"name":"ReadCard"})", Unsupported("ReadCard")},
      {R"({"name":7})", Unsupported("7")},
      {R"({"name":["getStatus"]})", Unsupported("")},
      {R"({"params":{}})", Unsupported("")},
      {"getStatus", Unsupported("")},
      {R"(["getStatus"])", Unsupported("")},
      {"", Unsupported("")},
      {std::string(900, '['), Unsupported("")},
      // A name cannot add members to the answer that every client receives.
      {R"({"name":"x\",\"resultFlag\":0,\"a\":\"\\\u0001"})",
       Unsupported(R"(x\",\"resultFlag\":0,\"a\":\"\\\u0001)")},
  };
  for (const auto& row : cases) EXPECT_EQ(Answer(row.request), row.answer) << row.request;
}

TEST(WsNamedAnswer, NameTakesThePlaceOfTheFirstBrace) {
  const struct {
    const char* answer;
    std::size_t out_size;
    std::string named;
  } cases[] = {
      {R"({"resultFlag":0})", kNamedAnswerSize, R"({"name":"n","resultFlag":0})"},
      {R"(x{"a":{}})", kNamedAnswerSize, R"(x{"name":"n","a":{}})"},
      {"no brace", kNamedAnswerSize, "no brace"},
      {R"({"resultFlag":0})", 9, R"({"name":)"},
  };
  for (const auto& row : cases) {
    std::vector<char> out(row.out_size, 'Z');
    AddNameToAnswer("n", out.data(), row.answer, out.size());
    EXPECT_EQ(out.data(), row.named);
  }
}

TEST(WsNamedAnswer, IntervalReadsLikeAtoiAndSaturates) {
  const std::pair<const char*, int> cases[] = {
      {"2000", 2000}, {"  +150ms", 150}, {"-5", -5}, {"abc", 0}, {"", 0},
      {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}, {"2147483647", INT_MAX}};
  for (const auto& [text, value] : cases) EXPECT_EQ(ReadInterval(text), value) << text;
}

// Push mode over loopback clients: the pushed reads and the answers share the stream.
class WsPushTest : public WsDispatchTest {
 protected:
  void SetUp() override {
    WsDispatchTest::SetUp();
    port_ = vantel_test::FreePortRun(1);
    ASSERT_NE(port_, 0);
    server_->Start(nullptr, "127.0.0.1", port_);
    a_ = Upgraded();
    b_ = Upgraded();
  }

  std::unique_ptr<WebSocketClient> Upgraded() {
    for (int attempt = 0; attempt < 100; ++attempt) {
      auto client = std::make_unique<WebSocketClient>(port_);
      if (client->Connected() && client->Upgrade()) return client;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ADD_FAILURE() << "no upgrade";
    return std::make_unique<WebSocketClient>(port_);
  }

  // The next text that is not a pushed read.
  static std::string NextAnswer(WebSocketClient& client) {
    vantel_test::ParsedFrame frame;
    while (client.ReceiveFrame(&frame)) {
      if (frame.payload.rfind("{\"name\":\"Push", 0) != 0) return frame.payload;
    }
    return "(no answer)";
  }
  std::string Command(const std::string& request) {
    EXPECT_TRUE(a_->SendText(request));
    const std::string answer = NextAnswer(*a_);
    EXPECT_EQ(NextAnswer(*b_), answer);
    return answer;
  }

  int port_ = 0;
  std::unique_ptr<WebSocketClient> a_;
  std::unique_ptr<WebSocketClient> b_;
};

TEST_F(WsPushTest, PushesSuccessfulReadsToEveryClient) {
  ASSERT_EQ(Command(R"({"name":"openPush","withImg":"True","interval":"50"})"), kPushOpened);
  EXPECT_TRUE(gPushOn);
  EXPECT_EQ(gPushInterval, 1000);
  EXPECT_FALSE(gPushWithImg);
  EXPECT_EQ(Command(R"({"name":"openPush","interval":"100"})"), kPushOpened);
  EXPECT_EQ(gPushInterval, 100);
  // Without a card nothing is pushed.
  EXPECT_TRUE(b_->StaysSilent(400));

  gCardPresent = true;
  const std::string pushed = Recorded("PushWithOutImg", "readCard");
  for (auto* client : {a_.get(), b_.get()}) {
    vantel_test::ParsedFrame frame;
    ASSERT_TRUE(client->ReceiveFrame(&frame));
    EXPECT_EQ(frame.payload, pushed);
  }
  // While pushing the reads are refused; other commands run.
  EXPECT_EQ(Command(R"({"name":"readCard"})"),
            u8R"({"name":"readCard","resultFlag":-2,"errorMsg":"读卡失败，已开启推送，请先停止推送"})");
  EXPECT_EQ(Command(R"({"name":"getStatus"})"), Recorded("getStatus", "getStatus"));
  // A second openPush changes the settings of the running push.
  EXPECT_EQ(Command(R"({"name":"openPush","withImg":"TRUE"})"), kPushOpened);
  EXPECT_TRUE(vantel_test::Eventually([&] {
    vantel_test::ParsedFrame frame;
    return b_->ReceiveFrame(&frame) && frame.payload == Recorded("PushWithImg", "readCert");
  }));

  EXPECT_EQ(Command(R"({"name":"closePush"})"), kPushClosed);
  EXPECT_FALSE(gPushOn);
  EXPECT_EQ(Command(R"({"name":"closePush"})"), kPushClosed);
  EXPECT_EQ(Command(R"({"name":"readCard"})"), Recorded("readCard", "readCard"));
}

TEST_F(WsPushTest, CloseFrameAndStopEndPushForAll) {
  ASSERT_EQ(Command(R"({"name":"openPush"})"), kPushOpened);
  b_->Disconnect();  // a dropped connection leaves push mode on
  ASSERT_TRUE(a_->SendText(R"({"name":"getVersion"})"));
  EXPECT_EQ(NextAnswer(*a_), Recorded("getVersion", "getVersion"));
  EXPECT_TRUE(gPushOn);
  ASSERT_TRUE(a_->SendFrame(vantel_test::kOpClose, ""));
  EXPECT_TRUE(a_->ClosedByServer());
  EXPECT_TRUE(vantel_test::Eventually([] { return !gPushOn; }));

  auto c = Upgraded();
  ASSERT_TRUE(c->SendText(R"({"name":"openPush"})"));
  EXPECT_EQ(NextAnswer(*c), kPushOpened);
  server_->Stop();
  EXPECT_FALSE(gPushOn);
  // Push mode on again when the server goes: its destructor ends it and waits (TearDown).
  server_->Start(nullptr, "127.0.0.1", port_);
  ASSERT_TRUE(c->SendText(R"({"name":"openPush"})"));
  EXPECT_EQ(NextAnswer(*c), kPushOpened);
}

}  // namespace
}  // namespace lumarin
