// The HTTP and HTTPS listeners on 127.0.0.1 with handlers of the test's own, reached by plain
// and TLS clients that compare whole answers byte for byte.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "platform/module_paths.h"
#include "service/api/reader_mutex.h"
#include "service/net/connection_cap.h"
#include "service/net/http_servers.h"
#include "service/net/route_table.h"
#include "service/shell/service_log.h"
#include "support/environment.h"
#include "support/local_socket.h"
#include "support/net/http_answer_text.h"
#include "support/net/test_certificate.h"
#include "support/net/test_connection.h"
#include "support/temp_folder.h"

namespace lumarin {
namespace {

using namespace std::chrono_literals;
using vantel_test::kEmptyOkAnswer;
using vantel_test::kNotFoundAnswer;
using vantel_test::OkAnswer;
using vantel_test::TestConnection;

const std::string kMuteBody = u8"{\"resultFlag\":1,\"errorMsg\":\"设置成功\"}";
const std::string kMuteRequest = "GET /api/Kestor_Mute?ISMUTE=true HTTP/1.1\r\nHost: x\r\n\r\n";
const std::string kHeldRequest = "GET /api/readCard HTTP/1.1\r\n\r\n";
const std::string kLockedRequest = "GET /api/connect HTTP/1.1\r\n\r\n";
const std::string kLargestRequest = "GET /api/getSAMIDStr HTTP/1.1\r\n\r\n";
const std::string kLockedBody = "{\"locked\":1}";
const std::string kOutOfMemoryRequest = "GET /api/getStatus HTTP/1.1\r\n\r\n";

// Holds the card operation of kHeldRequest inside the reader mutex until the test opens it.
class Gate {
 public:
  void Enter() {
    std::unique_lock<std::mutex> lock(mutex_);
    entered_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return open_; });
  }
  bool WaitEntered() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, 10s, [this] { return entered_; });
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool entered_ = false;
  bool open_ = false;
};

Gate* gGate = nullptr;
std::mutex gTraceMutex;
std::vector<std::string> gTrace;  // "begin" and "end" of each locked operation, in order

void Trace(const char* step) {
  std::lock_guard<std::mutex> lock(gTraceMutex);
  gTrace.emplace_back(step);
}

// The answer is GBK inside the service, as a card operation's would be.
void MuteHandler(ParamMap&, char* result) {
  RunLocked(result, [](char* work) { std::strcpy(work, "{\"resultFlag\":1,\"errorMsg\":\"设置成功\"}"); });
}
void HeldHandler(ParamMap&, char* result) {
  RunLocked(result, [](char* work) {
    gGate->Enter();
    std::strcpy(work, "{\"held\":1}");
  });
}
void LockedHandler(ParamMap&, char* result) {
  RunLocked(result, [](char* work) {
    Trace("begin");
    std::this_thread::sleep_for(5ms);
    std::strcpy(work, kLockedBody.c_str());
    Trace("end");
  });
}
void LargestHandler(ParamMap&, char* result) { std::memset(result, 'x', kAnswerBufferSize - 1); }
void OutOfMemoryHandler(ParamMap&, char*) { throw std::bad_alloc(); }

std::string ProgramFolder() {
  const std::string program = platform::ProgramPath();
  return program.substr(0, program.rfind(platform::kPathSeparator));
}

class HttpService : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RouteHandlers handlers{};
    handlers.mute = MuteHandler;
    handlers.readCard = HeldHandler;
    handlers.connect = LockedHandler;
    handlers.getSAMIDStr = LargestHandler;
    handlers.getStatus = OutOfMemoryHandler;
    ServiceRoutes().Fill(handlers);
  }

  void SetUp() override {
    for (const char* name : kTemporaryFolderVariables) {
      const char* value = std::getenv(name);
      savedTemporaryFolders.emplace_back(value ? value : "");
      vantel_test::SetEnvironment(name, logFolder.path().string());
    }
    gServiceLogOn = 1;
    CreateReaderMutex();
    gate = std::make_unique<Gate>();
    gGate = gate.get();
    gTrace.clear();
    ASSERT_TRUE(vantel_test::WriteTestCertificate(ProgramFolder()));
    ports = vantel_test::FreePortRun(3);
    ASSERT_NE(ports, 0);
  }
  void TearDown() override {
    gate->Open();
    http.reset();
    https.reset();
    DestroyReaderMutex();
    gServiceLogOn = 0;
    for (std::size_t i = 0; i < savedTemporaryFolders.size(); ++i) {
      if (savedTemporaryFolders[i].empty())
        vantel_test::UnsetEnvironment(kTemporaryFolderVariables[i]);
      else
        vantel_test::SetEnvironment(kTemporaryFolderVariables[i], savedTemporaryFolders[i]);
    }
  }

  void StartBoth(std::chrono::milliseconds headLimit = kRequestHeadLimit) {
    http = std::make_unique<HttpServer>(headLimit);
    https = std::make_unique<HttpsServer>(headLimit);
    EXPECT_TRUE(http->Start(nullptr, "127.0.0.1", ports));
    EXPECT_TRUE(https->Start(nullptr, "127.0.0.1", ports + 1));
  }

  // A connection that the listener has taken: its first answer has come.
  std::unique_ptr<TestConnection> Served(int port, bool tls = false) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      auto connection = tls ? TestConnection::Tls(port) : TestConnection::Plain(port);
      if (connection->connected() && connection->Send(kMuteRequest) &&
          connection->ReceiveAnswer() == OkAnswer(kMuteBody))
        return connection;
      std::this_thread::sleep_for(20ms);
    }
    ADD_FAILURE() << "no answer on port " << port;
    return TestConnection::Plain(port);
  }

  // How often the service log holds the line once it holds it `atLeast` times or a few
  // seconds have passed (a peer may see its handshake fail before the listener logs it).
  int LoggedTimes(const std::string& line, int atLeast) const {
    int times = 0;
    for (int attempt = 0; attempt < 250 && times < atLeast; ++attempt) {
      if (attempt > 0) std::this_thread::sleep_for(20ms);
      std::ifstream file(logFolder.path() / "server_debug.log", std::ios::binary);
      const std::string log{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
      times = 0;
      for (std::size_t at = log.find(": " + line); at != std::string::npos;
           at = log.find(": " + line, at + 1))
        ++times;
    }
    return times;
  }

  // Where the service log goes: TMPDIR on Linux, TMP on Windows.
  static constexpr const char* kTemporaryFolderVariables[] = {"TMPDIR", "TMP"};
  vantel_test::TempFolder logFolder;
  std::vector<std::string> savedTemporaryFolders;
  std::unique_ptr<Gate> gate;
  int ports = 0;
  std::unique_ptr<HttpServer> http;
  std::unique_ptr<HttpsServer> https;
};

TEST_F(HttpService, ConnectionsStayOpenAndEachReadIsOneRequest) {
  StartBoth();
  auto client = Served(ports);
  ASSERT_TRUE(client->Send(kMuteRequest));
  EXPECT_EQ(client->ReceiveAnswer(), OkAnswer(kMuteBody));

  // No blank: no answer, and the connection goes on.
  for (const char* unanswered : {"GETX", "     "}) {
    ASSERT_TRUE(client->Send(unanswered));
    std::this_thread::sleep_for(100ms);  // a read of its own
  }
  ASSERT_TRUE(client->Send("OPTIONS / HTTP/1.1\r\n\r\n"));
  EXPECT_EQ(client->ReceiveAnswer(), kEmptyOkAnswer);

  // Two requests in one read: the second is lost.
  ASSERT_TRUE(client->Send(kMuteRequest + "OPTIONS / HTTP/1.1\r\n\r\n"));
  EXPECT_EQ(client->ReceiveAnswer(), OkAnswer(kMuteBody));
  ASSERT_TRUE(client->Send("GET /nowhere HTTP/1.1\r\n\r\n"));
  EXPECT_EQ(client->ReceiveAnswer(), kNotFoundAnswer);

  // 1500 bytes come in two reads; the tail's first word is no method.
  ASSERT_TRUE(client->Send("GET /api/Kestor_Mute?x=" + std::string(1400, 'a') + " HTTP/1.1\r\n\r\n"));
  EXPECT_EQ(client->ReceiveAnswer(), OkAnswer(kMuteBody));
  EXPECT_EQ(client->ReceiveAnswer(), kEmptyOkAnswer);
}

TEST_F(HttpService, TlsCarriesTheSameBytesAndTheLargestAnswersArriveWhole) {
  StartBoth();
  const std::string largest = OkAnswer(std::string(kAnswerBufferSize - 1, 'x'));
  for (bool tls : {false, true}) {
    auto client = Served(ports + (tls ? 1 : 0), tls);
    ASSERT_TRUE(client->Send(kMuteRequest));
    EXPECT_EQ(client->ReceiveAnswer(), OkAnswer(kMuteBody)) << tls;
    ASSERT_TRUE(client->Send(kLargestRequest));
    EXPECT_EQ(client->ReceiveAnswer(), largest) << tls;
  }
}

TEST_F(HttpService, ReaderMutexKeepsCardOperationsOneAtATimeButNotOtherRequests) {
  StartBoth();
  auto holder = Served(ports);
  auto waiter = Served(ports + 1, true);
  auto other = Served(ports);
  ASSERT_TRUE(holder->Send(kHeldRequest));
  ASSERT_TRUE(gate->WaitEntered());
  ASSERT_TRUE(waiter->Send(kLockedRequest));
  ASSERT_TRUE(other->Send("GET /api/readcard HTTP/1.1\r\n\r\n"));
  EXPECT_EQ(other->ReceiveAnswer(), kNotFoundAnswer);
  EXPECT_EQ(waiter->Receive(1, 200ms), "");
  gate->Open();
  EXPECT_EQ(holder->ReceiveAnswer(), OkAnswer("{\"held\":1}"));
  EXPECT_EQ(waiter->ReceiveAnswer(), OkAnswer(kLockedBody));
  EXPECT_EQ(gTrace, (std::vector<std::string>{"begin", "end"}));
}

TEST_F(HttpService, EightClientsAtOnceGetEightWholeAnswersOneOperationAfterAnother) {
  StartBoth();
  std::vector<std::unique_ptr<TestConnection>> clients;
  for (int i = 0; i < 8; ++i) clients.push_back(Served(ports + i % 2, i % 2 == 1));
  std::vector<std::string> answers(clients.size());
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < clients.size(); ++i) {
    threads.emplace_back([&, i] {
      if (clients[i]->Send(kLockedRequest)) answers[i] = clients[i]->ReceiveAnswer();
    });
  }
  for (auto& thread : threads) thread.join();
  for (const std::string& answer : answers) EXPECT_EQ(answer, OkAnswer(kLockedBody));
  ASSERT_EQ(gTrace.size(), 16u);
  for (std::size_t i = 0; i < gTrace.size(); ++i) EXPECT_EQ(gTrace[i], i % 2 ? "end" : "begin");
}

TEST_F(HttpService, StopKeepsOpenConnectionsAndStartServesTheSamePortAgain) {
  StartBoth();
  auto kept = Served(ports);
  EXPECT_TRUE(http->IsActive());
  http->Stop();
  EXPECT_FALSE(http->IsActive());
  ASSERT_TRUE(kept->Send(kMuteRequest));
  EXPECT_EQ(kept->ReceiveAnswer(), OkAnswer(kMuteBody));

  // The address is kept, not used, and cut to 16 characters.
  EXPECT_TRUE(http->Start(nullptr, "127.000.000.001:18889 and more", ports));
  EXPECT_TRUE(http->IsActive());
  Served(ports);
  ASSERT_TRUE(kept->Send(kMuteRequest));
  EXPECT_EQ(kept->ReceiveAnswer(), OkAnswer(kMuteBody));
}

// Its end closes every connection, on both listeners, the one being answered once its answer
// is sent.
TEST_F(HttpService, AtItsEndAListenerClosesItsConnectionsOnceAnswered) {
  StartBoth();
  auto idle = Served(ports);
  auto idleTls = Served(ports + 1, true);
  auto held = Served(ports);
  ASSERT_TRUE(held->Send(kHeldRequest));
  ASSERT_TRUE(gate->WaitEntered());
  std::thread end([this] {
    http->StopAndWait();
    https->StopAndWait();
  });
  EXPECT_TRUE(idle->SeesClose());
  gate->Open();
  EXPECT_EQ(held->ReceiveAnswer(), OkAnswer("{\"held\":1}"));
  EXPECT_TRUE(held->SeesClose());
  end.join();
  EXPECT_TRUE(idleTls->SeesClose());
}

TEST_F(HttpService, ATakenPortStartsYetNothingAnswers) {
  platform::StartSocketLibrary();
  auto holder = platform::TcpListener::Create();
  ASSERT_TRUE(holder->Listen(static_cast<std::uint16_t>(ports + 2), 2));
  HttpServer server;
  EXPECT_TRUE(server.Start(nullptr, "127.0.0.1", ports + 2));
  EXPECT_TRUE(server.IsActive());
  auto client = TestConnection::Plain(ports + 2);
  ASSERT_TRUE(client->Send(kMuteRequest));
  EXPECT_EQ(client->Receive(1, 300ms), "");
  platform::StopSocketLibrary();
}

TEST_F(HttpService, PeersClosingMidAnswerLeaveTheServiceRunning) {
  StartBoth();
  for (bool tls : {false, true}) {
    const int port = ports + (tls ? 1 : 0);
    for (int i = 0; i < 3; ++i) {
      auto leaving = Served(port, tls);
      ASSERT_TRUE(leaving->Send(kLargestRequest));
      leaving->Receive(1000);
    }
    Served(port, tls);
  }
}

TEST_F(HttpService, AFailedAllocationClosesThatConnectionAndNothingElse) {
  StartBoth();
  for (bool tls : {false, true}) {
    const int port = ports + (tls ? 1 : 0);
    auto kept = Served(port, tls);
    auto failing = Served(port, tls);
    ASSERT_TRUE(failing->Send(kOutOfMemoryRequest));
    EXPECT_TRUE(failing->SeesClose()) << tls;
    ASSERT_TRUE(kept->Send(kMuteRequest));
    EXPECT_EQ(kept->ReceiveAnswer(), OkAnswer(kMuteBody)) << tls;
  }
}

TEST_F(HttpService, RequestsNotWholeInTimeAreClosedWhileIdleConnectionsWaitWithoutLimit) {
  StartBoth(300ms);
  auto kept = Served(ports);
  auto silent = TestConnection::Plain(ports);
  auto dripping = Served(ports);
  ASSERT_TRUE(dripping->Send("G"));  // after an answer, the limit runs from the first bytes
  EXPECT_TRUE(silent->SeesClose());
  EXPECT_TRUE(dripping->SeesClose());
  // Idle past the limit, between requests.
  ASSERT_TRUE(kept->Send(kMuteRequest));
  EXPECT_EQ(kept->ReceiveAnswer(), OkAnswer(kMuteBody));
}

TEST_F(HttpService, AFullListenerCutsOffWhoWaitedLongestNeverOneBeingAnswered) {
  StartBoth();
  auto held = Served(ports);
  std::vector<std::unique_ptr<TestConnection>> idle;
  while (idle.size() < kMaxOpenConnections - 1) idle.push_back(Served(ports));
  // Part of a request, sent only now: on a slow machine the connections above may take longer
  // than a request head is given. It gives way only after every connection that has sent
  // nothing, though it has waited longest.
  ASSERT_TRUE(idle[0]->Send("GET"));
  ASSERT_TRUE(held->Send(kHeldRequest));
  ASSERT_TRUE(gate->WaitEntered());
  // None is too new to be cut off.
  std::this_thread::sleep_for(std::chrono::milliseconds(kNewConnectionGraceMs));
  auto newest = TestConnection::Plain(ports);
  ASSERT_TRUE(newest->Send("GET /nowhere HTTP/1.1\r\n\r\n"));
  EXPECT_EQ(newest->ReceiveAnswer(), kNotFoundAnswer);
  EXPECT_TRUE(idle[1]->SeesClose());
  gate->Open();
  EXPECT_EQ(held->ReceiveAnswer(), OkAnswer("{\"held\":1}"));
  ASSERT_TRUE(idle[0]->Send(kMuteRequest));
  EXPECT_EQ(idle[0]->ReceiveAnswer(), OkAnswer(kMuteBody));
}

TEST_F(HttpService, FailedAndStalledHandshakesAreDroppedAndLogged) {
  StartBoth(300ms);
  Served(ports + 1, true);  // listening
  auto stalled = TestConnection::Plain(ports + 1);
  auto garbled = TestConnection::Plain(ports + 1);
  ASSERT_TRUE(garbled->Send(kMuteRequest));
  TestConnection::Plain(ports + 1);  // gone before its handshake
  Served(ports + 1, true);  // handshakes are done one after another
  EXPECT_TRUE(stalled->SeesClose());
  EXPECT_TRUE(garbled->SeesClose());
  EXPECT_EQ(LoggedTimes("SSL accept failed", 3), 3);
}

TEST_F(HttpService, WithoutTheKeyHttpWorksAndEveryHandshakeFails) {
  std::filesystem::remove(std::filesystem::path(ProgramFolder()) / "server.key");
  StartBoth();
  Served(ports);
  auto client = TestConnection::Tls(ports + 1);
  EXPECT_FALSE(client->connected());
  EXPECT_EQ(LoggedTimes("SSL accept failed", 1), 1);
}

}  // namespace
}  // namespace lumarin
