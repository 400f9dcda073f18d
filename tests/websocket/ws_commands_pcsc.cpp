// The WebSocket commands with the service's own handlers, the reader simulator behind the
// PC/SC service: what a page sends reaches the reader under the reader mutex, and every
// upgraded client gets the reader's answer with its name first; push mode reads the card.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "service/api/api_handlers.h"
#include "service/api/card_reads.h"
#include "service/api/reader_mutex.h"
#include "service/net/service_text.h"
#include "service/net/ws_server.h"
#include "support/id_card_writer.h"
#include "support/local_socket.h"
#include "support/net/websocket_client.h"
#include "support/pcsc_attachment.h"
#include "support/reader_sim_cards.h"

namespace lumarin {
namespace {

using vantel_test::WebSocketClient;

class WsRealHandlers : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string failure = vantel_test::AttachPcscSim(&sim_, nullptr);
    if (!failure.empty()) GTEST_SKIP() << failure;
    CreateReaderMutex();
    port_ = vantel_test::FreePortRun(1);
    ASSERT_NE(port_, 0);
    server_ = std::make_unique<WsServer>(ServiceRouteHandlers());
    server_->Start(nullptr, "127.0.0.1", port_);
    for (int attempt = 0; attempt < 100 && !client_; ++attempt) {
      auto client = std::make_unique<WebSocketClient>(port_);
      if (client->Connected() && client->Upgrade()) client_ = std::move(client);
      else std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(client_) << "no upgrade";
  }
  void TearDown() override {
    server_.reset();
    DestroyReaderMutex();
    vantel_test::AttachPcscSim(nullptr, nullptr);
  }

  std::string Answer(const std::string& request) {
    vantel_test::ParsedFrame frame;
    if (!client_->SendText(request) || !client_->ReceiveFrame(&frame)) return "(no answer)";
    return frame.payload;
  }
  std::string NextText() {
    vantel_test::ParsedFrame frame;
    return client_->ReceiveFrame(&frame) ? frame.payload : "(nothing)";
  }

  vantel_test::ReaderSim sim_;
  int port_ = 0;
  std::unique_ptr<WsServer> server_;
  std::unique_ptr<WebSocketClient> client_;
};

TEST_F(WsRealHandlers, CommandsReachTheReader) {
  const struct {
    bool m1_card;
    const char* request;
    std::string answer;
  } cases[] = {
      {false, R"({"name":"getStatus"})",
       u8R"({"name":"getStatus","resultFlag":0,"errorMsg":"正常连接","status":0})"},
      {false, R"({"name":"getSAMIDStr"})",
       u8R"({"name":"getSAMIDStr","resultFlag":0,"SAMID":"05.01-12345678-1834765114-1144201745","errorMsg":"读安全模块序列号成功"})"},
      {true, R"({"name":"readICCardSN"})",
       u8R"({"name":"readICCardSN","resultFlag":0,"ICCardSerial":"12345678","errorMsg":"读IC卡序列号成功"})"},
      {true,
       R"({"name":"readM1Card","SID":"9","params":{"SID":"1","BID":"2","KEYTYPE":"01","KEY":"FFFFFFFFFFFF"}})",
       u8R"({"name":"readM1Card","resultFlag":0,"Data":"00000000000000000000000000000000","errorMsg":"读M1卡扇区内容成功"})"},
      {false, R"({"name":"readM1Card","params":{"SID":"1","BID":"2","KEYTYPE":"01","KEY":"FFFFFFFFFFFF"}})",
       u8R"({"name":"readM1Card","resultFlag":-2,"Data":"","errorMsg":"找IC卡失败"})"},
      {false, R"({"name":"mute","isMute":true})", u8R"({"name":"mute","resultFlag":1,"errorMsg":"设置成功"})"},
      {false, R"({"name":"disconnect"})", u8R"({"name":"disconnect","resultFlag":0,"errorMsg":"断开连接成功"})"},
  };
  for (const auto& row : cases) {
    if (row.m1_card) sim_.PlaceCard(std::make_shared<vantel_test::SimM1Card>());
    else sim_.RemoveCard();
    EXPECT_EQ(Answer(row.request), row.answer) << row.request;
  }
}

// The service's own identity-card read, called directly, as a client receives it.
std::string ReadCardAnswer() {
  std::vector<char> ansi(kAnswerBufferSize + 1);
  int length = 0;
  ServiceReadCard(ansi.data(), &length);
  std::vector<char> utf8(kAnswerBufferSize);
  AnsiToUtf8Buffer(ansi.data(), utf8.data(), utf8.size());
  return utf8.data();
}

TEST_F(WsRealHandlers, PushSendsEachSuccessfulRead) {
  const std::string opened = u8R"({"name":"openPush","resultFlag":0,"errorMsg":"已开启推送"})";
  const std::string closed = u8R"({"name":"closePush","resultFlag":0,"errorMsg":"已关闭推送"})";
  ASSERT_EQ(Answer(R"({"name":"openPush","interval":"100"})"), opened);
  EXPECT_TRUE(client_->StaysSilent(500));  // no card, nothing pushed
  EXPECT_EQ(Answer(R"({"name":"closePush"})"), closed);

  // With repeat-read on, every read finds the card anew: every cycle pushes it.
  sim_.PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
  Answer(R"({"name":"repeatRead","isRepeatRead":"true"})");
  const std::string card = ReadCardAnswer();
  ASSERT_EQ(card.rfind("{\"resultFlag\":0,", 0), 0u) << card;
  const std::string pushed = "{\"name\":\"PushWithOutImg\"," + card.substr(1);
  ASSERT_EQ(Answer(R"({"name":"openPush"})"), opened);
  EXPECT_EQ(NextText(), pushed);
  EXPECT_EQ(NextText(), pushed);
  ASSERT_TRUE(client_->SendText(R"({"name":"closePush"})"));
  std::string answer = NextText();
  while (answer == pushed) answer = NextText();
  EXPECT_EQ(answer, closed);
  Answer(R"({"name":"repeatRead","isRepeatRead":"false"})");
}

}  // namespace
}  // namespace lumarin
