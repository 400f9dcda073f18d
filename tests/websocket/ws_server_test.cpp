// The WebSocket server over real loopback connections, with a command side that echoes: who
// gets which answer, joined and split messages, closes, turns among clients, a client that
// stops reading, and a stop and start.
#include "service/net/ws_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/eventually.h"
#include "support/local_socket.h"
#include "support/net/websocket_client.h"

namespace lumarin {
namespace {

using vantel_test::ClientFrame;
using vantel_test::FrameOptions;
using vantel_test::ParsedFrame;
using vantel_test::WebSocketClient;

std::atomic<int> gStopPushCalls{0};

// "hold" is handled until the test opens the gate (a minute at most: a hang guard).
struct Gate {
  std::mutex lock;
  std::condition_variable opened;
  bool open = false;
  std::atomic<bool> holding{false};
} gGate;

void HoldUntilTheGateOpens() {
  gGate.holding = true;
  std::unique_lock<std::mutex> lock(gGate.lock);
  gGate.opened.wait_for(lock, std::chrono::minutes(1), [] { return gGate.open; });
}

void OpenTheGate() {
  std::lock_guard<std::mutex> lock(gGate.lock);
  gGate.open = true;
  gGate.opened.notify_all();
}

// "size N" is answered with N bytes; anything else comes back inside {"echo":...}.
void EchoCommand(const char* request, char* answer) {
  if (std::strcmp(request, "hold") == 0) HoldUntilTheGateOpens();
  if (std::strncmp(request, "size ", 5) == 0) {
    std::memset(answer, 'x', std::strtoul(request + 5, nullptr, 10));
  } else {
    std::snprintf(answer, kAnswerBufferSize, "{\"echo\":\"%s\"}", request);
  }
}

void CountStopPush() { ++gStopPushCalls; }

std::string Echo(const std::string& request) { return "{\"echo\":\"" + request + "\"}"; }

class WsServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gStopPushCalls = 0;
    gGate.open = false;
    gGate.holding = false;
    port_ = vantel_test::FreePortRun(1);
    ASSERT_NE(port_, 0);
    server_ = std::make_unique<WsServer>(WsCommands{EchoCommand, CountStopPush});
    server_->Start(nullptr, "127.0.0.1", port_);
  }

  // A client once the server listens (it starts listening on its own thread).
  std::unique_ptr<WebSocketClient> Connect() {
    for (int attempt = 0; attempt < 100; ++attempt) {
      auto client = std::make_unique<WebSocketClient>(port_);
      if (client->Connected()) return client;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ADD_FAILURE() << "the server never listened";
    return std::make_unique<WebSocketClient>(port_);
  }
  std::unique_ptr<WebSocketClient> Upgraded() {
    auto client = Connect();
    EXPECT_TRUE(client->Upgrade()) << client->answer();
    return client;
  }

  // The payload of the next frame, or a note of what came instead.
  static std::string NextText(WebSocketClient& client) {
    ParsedFrame frame;
    if (!client.ReceiveFrame(&frame)) return "(no frame)";
    if (frame.opcode != vantel_test::kOpText || !frame.final || frame.masked) return "(not text)";
    return frame.payload;
  }

  int port_ = 0;
  std::unique_ptr<WsServer> server_;
};

TEST_F(WsServerTest, AnswersEveryCommandToEveryUpgradedClient) {
  auto a = Upgraded();
  EXPECT_EQ(a->answer(),
            "HTTP/1.1 101 Switching Protocols\r\nConnection: upgrade\r\n"
            "Access-Control-Allow-Credentials:true\r\nAccess-Control-Allow-Headers:content-type\r\n"
            "Access-Control-Allow-Private-Network: true\r\nSec-WebSocket-Accept: "
            "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\nUpgrade: websocket\r\n\r\n");
  auto b = Upgraded();
  auto never_upgraded = Connect();

  const std::string status = R"({"name":"getStatus"})";
  ASSERT_TRUE(a->SendText(status));
  EXPECT_EQ(NextText(*a), Echo(status));
  EXPECT_EQ(NextText(*b), Echo(status));
  // A connection without an upgrade is heard, not answered.
  ASSERT_TRUE(never_upgraded->SendText("unannounced"));
  EXPECT_EQ(NextText(*a), Echo("unannounced"));
  EXPECT_EQ(NextText(*b), Echo("unannounced"));
  EXPECT_TRUE(never_upgraded->StaysSilent(300));

  // Ping and binary frames get nothing; of a fragmented message only the first frame counts.
  ASSERT_TRUE(a->SendFrame(vantel_test::kOpPing, "ping") &&
              a->SendFrame(vantel_test::kOpBinary, "bin") &&
              a->SendFrame(vantel_test::kOpText, "frag", FrameOptions{false}) &&
              a->SendFrame(vantel_test::kOpContinuation, "ment") && a->SendText("after"));
  EXPECT_EQ(NextText(*a), Echo("frag"));
  EXPECT_EQ(NextText(*a), Echo("after"));
}

TEST_F(WsServerTest, JoinsSplitFramesAndAnswersInEveryLengthForm) {
  auto a = Upgraded();
  ASSERT_TRUE(a->SendInPieces(ClientFrame(vantel_test::kOpText, std::string(300, 's')), 100, 20));
  EXPECT_EQ(NextText(*a), Echo(std::string(300, 's')));
  // Frames queued behind one another are each answered, in order.
  ASSERT_TRUE(a->SendRaw(ClientFrame(vantel_test::kOpText, "one") +
                         ClientFrame(vantel_test::kOpText, "") +
                         ClientFrame(vantel_test::kOpText, "three")));
  EXPECT_EQ(NextText(*a), Echo("one"));
  EXPECT_EQ(NextText(*a), Echo(""));
  EXPECT_EQ(NextText(*a), Echo("three"));
  // Answers up to the whole result buffer, in the three length forms.
  for (std::size_t size : {125u, 126u, 70000u, 524288u}) {
    ASSERT_TRUE(a->SendText("size " + std::to_string(size)));
    ParsedFrame frame;
    ASSERT_TRUE(a->ReceiveFrame(&frame));
    EXPECT_EQ(frame.payload, std::string(size, 'x'));
    EXPECT_EQ(frame.length_form, size <= 125 ? 7 : size <= 65535 ? 16 : 64);
  }
}

TEST_F(WsServerTest, ClosesOnCloseFramesDropsAndBadRequests) {
  auto a = Upgraded();
  auto b = Upgraded();
  auto c = Upgraded();
  ASSERT_TRUE(a->SendFrame(vantel_test::kOpClose, ""));
  EXPECT_TRUE(a->ClosedByServer());
  EXPECT_EQ(gStopPushCalls, 1);  // a close frame ends push mode

  b->Disconnect();  // a dropped connection does not
  auto refused = Connect();
  ASSERT_TRUE(refused->SendRaw("GET / HTTP/1.1\r\nHost: x\r\n\r\n"));
  ASSERT_TRUE(refused->ReceiveAnswer());
  EXPECT_EQ(refused->answer(), "HTTP/1.1 400 Bad Request\r\n\r\n");
  EXPECT_TRUE(refused->ClosedByServer());
  auto oversized = Upgraded();
  ASSERT_TRUE(oversized->SendRaw(ClientFrame(vantel_test::kOpText, std::string(2000, 'o')).substr(0, 8)));
  EXPECT_TRUE(oversized->ClosedByServer());

  ASSERT_TRUE(c->SendText("still here"));
  EXPECT_EQ(NextText(*c), Echo("still here"));
  EXPECT_EQ(gStopPushCalls, 1);
}

TEST_F(WsServerTest, ServesEachClientWithMessagesWaitingInTurn) {
  auto flooder = Upgraded();
  auto other = Upgraded();
  // One receive holds them all; the first is handled while the other client's message comes.
  std::string flood = ClientFrame(vantel_test::kOpText, "hold");
  for (int i = 0; i < 100; ++i) flood += ClientFrame(vantel_test::kOpText, "f" + std::to_string(i));
  ASSERT_LE(flood.size(), 1024u);
  ASSERT_TRUE(flooder->SendRaw(flood));
  ASSERT_TRUE(vantel_test::Eventually([] { return gGate.holding.load(); }));
  ASSERT_TRUE(other->SendText("other"));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // there before the gate opens
  OpenTheGate();
  std::vector<std::string> answers;
  for (int i = 0; i < 102; ++i) answers.push_back(NextText(*other));
  const auto answer = [&answers](const std::string& request) {
    return std::find(answers.begin(), answers.end(), Echo(request)) - answers.begin();
  };
  EXPECT_LT(answer("other"), answer("f99"));
  EXPECT_LT(answer("f99"), static_cast<long>(answers.size()));
}

TEST_F(WsServerTest, ClosesAClientThatStopsReadingWhileTheOthersGetEveryAnswerInOrder) {
  auto reading = Upgraded();
  auto stalled = Upgraded();
  // Far more than a client that does not read and its connection hold.
  for (std::size_t i = 0; i < 48; ++i) {
    const std::size_t size = 524288 - i;
    ASSERT_TRUE(reading->SendText("size " + std::to_string(size)));
    ParsedFrame frame;
    ASSERT_TRUE(reading->ReceiveFrame(&frame));
    EXPECT_EQ(frame.payload, std::string(size, 'x'));
  }
  EXPECT_TRUE(stalled->ClosedByServer(60000));
}

TEST_F(WsServerTest, AnAnswerHandledWhenTheServerStopsStillGoesOut) {
  auto a = Upgraded();
  ASSERT_TRUE(a->SendText("hold"));
  ASSERT_TRUE(vantel_test::Eventually([] { return gGate.holding.load(); }));
  server_->Stop();  // the program may end as soon as the server's threads have
  OpenTheGate();
  EXPECT_EQ(NextText(*a), Echo("hold"));
}

TEST_F(WsServerTest, ServesOldAndNewConnectionsAfterStopAndStart) {
  auto before = Upgraded();
  server_->Stop();
  EXPECT_EQ(gStopPushCalls, 1);
  server_->Start(nullptr, "127.0.0.1", port_);
  auto after = Upgraded();
  ASSERT_TRUE(before->SendText("kept"));
  EXPECT_EQ(NextText(*before), Echo("kept"));
  EXPECT_EQ(NextText(*after), Echo("kept"));
  // A stop without a start leaves nothing running: the destructor returns.
  server_->Stop();
  server_.reset();
  EXPECT_TRUE(before->ClosedByServer());
}

}  // namespace
}  // namespace lumarin
