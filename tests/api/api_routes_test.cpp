// The API routes over HTTP, each answered by its card operation against the simulator behind
// the PC/SC service: whole answers compared byte for byte, the reader mutex seen from the
// card's side.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "answers/operation_cases.h"
#include "service/api/card_reads.h"
#include "service/api/reader_mutex.h"
#include "service/net/http_servers.h"
#include "service/net/service_text.h"
#include "support/id_card_writer.h"
#include "support/local_socket.h"
#include "support/net/http_answer_text.h"
#include "support/net/test_connection.h"
#include "support/pcsc_attachment.h"

namespace lumarin {
namespace {

using namespace std::chrono_literals;
using vantel::CardKind;
using vantel_test::Bytes;
using vantel_test::OkAnswer;
using vantel_test::TestConnection;

const std::string kKey = "FFFFFFFFFFFF";

std::string Utf8(const std::string& ansi) {
  std::vector<char> out(ansi.size() * 3 + 1);
  AnsiToUtf8Buffer(ansi.c_str(), out.data(), out.size());
  return out.data();
}

std::string Request(const std::string& target) { return "GET " + target + " HTTP/1.1\r\n\r\n"; }

std::string Ask(TestConnection& connection, const std::string& target) {
  connection.Send(Request(target));
  return connection.ReceiveAnswer();
}

// A service read's own answer (ANSI), called directly.
std::string ServiceAnswer(int (*read)(char*, int*)) {
  std::vector<char> out(kAnswerBufferSize + 1);
  int length = 0;
  read(out.data(), &length);
  return out.data();
}

// The operations' own answers (ANSI) by their names in the answer layer's table.
std::map<std::string, std::string> OperationAnswers() {
  std::map<std::string, std::string> answers;
  for (const vantel::OperationCase& row : vantel::OperationCases(true))
    answers.emplace(row.name, row.expected);
  return answers;
}

class ApiRoutes : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string failure = vantel_test::AttachPcscSim(&sim, nullptr);
    if (!failure.empty()) GTEST_SKIP() << failure;
    CreateReaderMutex();
    port = vantel_test::FreePortRun(1);
    ASSERT_NE(port, 0);
    http.Start(nullptr, "127.0.0.1", port);
    client = Connect();
    ASSERT_TRUE(client->connected());
  }
  void TearDown() override {
    vantel_test::ReleasePcscAnswers();
    client.reset();
    http.Stop();
    vantel_test::AttachPcscSim(nullptr, nullptr);
    DestroyReaderMutex();
  }

  std::unique_ptr<TestConnection> Connect() {
    for (int attempt = 0; attempt < 100; ++attempt) {
      auto connection = TestConnection::Plain(port);
      if (connection->connected()) return connection;
      std::this_thread::sleep_for(20ms);
    }
    return TestConnection::Plain(port);
  }

  std::size_t ApduCount() const { return vantel_test::PcscCardApdus().size(); }

  vantel_test::ReaderSim sim;
  HttpServer http;
  int port = 0;
  std::unique_ptr<TestConnection> client;
};

TEST_F(ApiRoutes, EachRouteAnswersItsOperationsAnswer) {
  struct Row {
    std::string target;
    CardKind card;
    const char* operation;
  };
  const std::string m1 = "SID=1&BID=2&KEYTYPE=";
  const std::vector<Row> rows = {
      {"/api/connect", CardKind::kNone, "connect"},
      {"/api/getStatus", CardKind::kNone, "status"},
      {"/api/getVersion", CardKind::kNone, "version"},
      {"/api/getSAMID", CardKind::kNone, "SAM id"},
      {"/api/getSAMIDStr", CardKind::kNone, "SAM id text"},
      {"/api/readIDCardSN", CardKind::kNone, "ID card serial"},
      {"/api/readICCardSN", CardKind::kM1, "IC card serial"},
      {"/api/writeM1Card?" + m1 + "1&KEY=" + kKey + "&DATA=00112233445566778899AABBCCDDEEFF",
       CardKind::kM1, "M1 write"},
      {"/api/readM1Card?" + m1 + "01&KEY=" + kKey, CardKind::kM1, "M1 read"},
      {"/api/readM1Card?" + m1 + "1&KEY=" + kKey, CardKind::kNone, "M1 read without a card"},
      {"/api/handleAPDUCMD?APDUCMD=00B0000004", CardKind::kCpu, "APDU"},
      {"/api/handleAPDUCMD?APDUCMD=00B0000004", CardKind::kM1, "APDU to an M1 card"},
      {"/api/Kestor_Mute?ISMUTE=true", CardKind::kNone, "mute"},
      {"/api/setRepeatRead?ISREPEAT=false", CardKind::kNone, "repeat read"},
      {"/api/disconnect", CardKind::kNone, "disconnect"},
      {"/api/disconnect", CardKind::kNone, "disconnect again"},
  };
  const auto answers = OperationAnswers();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.target);
    vantel::PlaceCardOf(sim, row.card);
    EXPECT_EQ(Ask(*client, row.target), OkAnswer(Utf8(answers.at(row.operation))));
  }
}

// The flag reaches the library: the next card read beeps (the LED on and off, twice) unless
// muted.
TEST_F(ApiRoutes, OnlyTrueOrTRUEBetweenBlanksMutes) {
  const std::vector<std::pair<std::string, bool>> rows = {
      {"?ISMUTE= true ", true}, {"?ISMUTE=TRUE", true}, {"?ISMUTE=True", false},
      {"?ISMUTE=1", false},     {"", false},            {"?ismute=true", false},
  };
  const std::string setAnswer = OkAnswer(u8"{\"resultFlag\":1,\"errorMsg\":\"设置成功\"}");
  sim.PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.first);
    EXPECT_EQ(Ask(*client, "/api/Kestor_Mute" + row.first), setAnswer);
    sim.Device().ledControls.clear();
    sim.RemoveCard();
    sim.PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
    ASSERT_NE(Ask(*client, "/api/readCard").find("\"resultFlag\":0"), std::string::npos);
    EXPECT_EQ(sim.Device().ledControls.size(), row.second ? 0u : 4u);
  }
}

TEST_F(ApiRoutes, LongParametersGetTheOperationsOwnAnswers) {
  const std::string digits600(600, '1');
  const std::string m1 = "SID=1&BID=2&KEYTYPE=1&KEY=";
  const struct {
    std::string target;
    CardKind card;
    std::string body;
  } rows[] = {
      {"/api/readM1Card?" + m1 + digits600, CardKind::kM1,
       u8"{\"resultFlag\":-4,\"Data\":\"\",\"errorMsg\":\"参数错误\"}"},
      {"/api/writeM1Card?" + m1 + kKey + "&DATA=" + std::string(200, '2'), CardKind::kM1,
       u8"{\"resultFlag\":-3,\"errorMsg\":\"参数错误\"}"},
      {"/api/handleAPDUCMD?APDUCMD=" + digits600, CardKind::kCpu,
       u8"{\"resultFlag\":-6,\"DataLen\":0,\"Data\":\"\",\"errorMsg\":\"APDU指令超长\"}"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.target.substr(0, 40));
    vantel::PlaceCardOf(sim, row.card);
    EXPECT_EQ(Ask(*client, row.target), OkAnswer(row.body));
  }
  // Without an APDU the reader is not even opened.
  const std::size_t before = ApduCount();
  EXPECT_EQ(Ask(*client, "/api/handleAPDUCMD"),
            OkAnswer(u8"{\"resultFlag\":-8,\"DataLen\":0,\"Data\":\"\",\"errorMsg\":\"参数错误\"}"));
  EXPECT_EQ(ApduCount(), before);
}

// Whether `apdus` is a sequence of whole runs, each one of `runs`.
bool SplitsIntoRuns(const std::vector<Bytes>& apdus, std::size_t from,
                    const std::vector<std::vector<Bytes>>& runs) {
  if (from == apdus.size()) return true;
  for (const auto& run : runs) {
    if (run.empty() || apdus.size() - from < run.size()) continue;
    if (std::equal(run.begin(), run.end(), apdus.begin() + static_cast<std::ptrdiff_t>(from)) &&
        SplitsIntoRuns(apdus, from + run.size(), runs))
      return true;
  }
  return false;
}

TEST_F(ApiRoutes, AHeldCardOperationKeepsOthersOutButNotOtherRequests) {
  const auto answers = OperationAnswers();
  auto second = Connect();
  auto third = Connect();
  vantel_test::HoldPcscAnswers();
  client->Send(Request("/api/getSAMID"));
  ASSERT_TRUE(vantel_test::WaitForHeldPcscApdu(10s));
  const std::size_t held = ApduCount();
  second->Send(Request("/api/connect"));
  EXPECT_EQ(Ask(*third, "/api/none"), vantel_test::kNotFoundAnswer);
  EXPECT_EQ(second->Receive(1, 300ms), "");
  EXPECT_EQ(ApduCount(), held);
  vantel_test::ReleasePcscAnswers();
  EXPECT_EQ(client->ReceiveAnswer(), OkAnswer(Utf8(answers.at("SAM id"))));
  EXPECT_EQ(second->ReceiveAnswer(), OkAnswer(Utf8(answers.at("connect"))));
}

TEST_F(ApiRoutes, CardReadsAnswerAsTheServiceReads) {
  sim.PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
  // Each read finds the card anew.
  Ask(*client, "/api/setRepeatRead?ISREPEAT=true");
  const std::string card = ServiceAnswer(ServiceReadCard);
  EXPECT_NE(card.find("\"resultFlag\":0"), std::string::npos);
  EXPECT_EQ(Ask(*client, "/api/readCard"), OkAnswer(Utf8(card)));
  const std::string cert = ServiceAnswer(ServiceReadCert);
  EXPECT_EQ(Ask(*client, "/api/readCert"), OkAnswer(Utf8(cert)));
  Ask(*client, "/api/setRepeatRead?ISREPEAT=false");
}

TEST_F(ApiRoutes, EightClientsAtOnceGetWholeAnswersAndUnbrokenApduRuns) {
  sim.PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
  Ask(*client, "/api/setRepeatRead?ISREPEAT=true");
  const std::vector<std::string> requests = {"/api/readCard", "/api/getSAMID", "/api/connect"};
  // Each operation's answer and APDUs alone, once the reader is open.
  std::vector<std::string> answers;
  std::vector<std::vector<Bytes>> runs;
  for (const std::string& request : requests) Ask(*client, request);
  for (const std::string& request : requests) {
    const std::size_t before = ApduCount();
    answers.push_back(Ask(*client, request));
    const std::vector<Bytes> all = vantel_test::PcscCardApdus();
    runs.emplace_back(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
  }

  constexpr std::size_t kClients = 8;
  std::vector<std::unique_ptr<TestConnection>> clients;
  for (std::size_t i = 0; i < kClients; ++i) clients.push_back(Connect());
  const std::size_t start = ApduCount();
  std::vector<std::string> got(kClients);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < kClients; ++i)
    threads.emplace_back([&, i] { got[i] = Ask(*clients[i], requests[i % requests.size()]); });
  for (std::thread& thread : threads) thread.join();
  const std::vector<Bytes> all = vantel_test::PcscCardApdus();
  Ask(*client, "/api/setRepeatRead?ISREPEAT=false");

  EXPECT_EQ(answers[1], OkAnswer(Utf8(OperationAnswers().at("SAM id"))));
  for (std::size_t i = 0; i < kClients; ++i) EXPECT_EQ(got[i], answers[i % requests.size()]) << i;
  EXPECT_TRUE(SplitsIntoRuns(
      std::vector<Bytes>(all.begin() + static_cast<std::ptrdiff_t>(start), all.end()), 0, runs));
}

}  // namespace
}  // namespace lumarin
