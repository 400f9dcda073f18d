#include "service/net/http_servers.h"

#include <openssl/crypto.h>
#include <openssl/ssl.h>

#include <cstring>
#include <new>

#include "platform/clock.h"
#include "service/api/api_handlers.h"
#include "service/net/http_clients.h"
#include "service/net/tls_context.h"

namespace lumarin {
namespace {

// Peers that connect again as soon as they are cut off fill a short queue, and a new peer
// whose connection finds it full waits for its second try, a second or more later.
constexpr int kListenBacklog = static_cast<int>(kMaxOpenConnections);
// A listener that runs takes the stop's wake-up connection at once.
constexpr std::uint32_t kWakeUpWaitMs = 1000;

}  // namespace

bool HttpListener::Start(void* notify, const char* address, int port) {
  if (!acceptThread_) {
    acceptThread_.reset(MakeAcceptThread());
    acceptThread_->SetAutoDelete(0);
  }
  if (acceptThread_->IsRunning()) acceptThread_->WaitWithMessagePump();
  stopRequested_ = false;
  notify_ = notify;
  std::memset(address_, 0, sizeof address_);
  std::strncpy(address_, address ? address : "", sizeof address_ - 1);
  port_ = port;
  // In place before any connection is accepted; later fills change nothing.
  ServiceRoutes().Fill(ServiceRouteHandlers());
  acceptThread_->Start();
  return true;
}

void HttpListener::Stop() {
  if (!acceptThread_ || !acceptThread_->IsRunning()) return;
  stopRequested_ = true;
  connections_->Wake();
  auto wakeUp = platform::TcpSocket::Create();
  if (wakeUp) wakeUp->Connect("127.0.0.1", static_cast<std::uint16_t>(port_), kWakeUpWaitMs);
}

void HttpListener::StopAndWait() {
  Stop();
  if (acceptThread_ && acceptThread_->IsRunning()) acceptThread_->WaitWithMessagePump();
  acceptThread_.reset();
  connections_->CloseAll(kConnectionsEndLimit);
}

void HttpListener::AcceptLoop() {
  auto listener = platform::TcpListener::Create();
  if (!listener || !listener->Listen(static_cast<std::uint16_t>(port_), kListenBacklog)) return;
  while (!stopRequested_) {
    std::unique_ptr<platform::TcpSocket> connection = listener->Accept();
    if (connection)
      Admit(std::move(connection));
    else
      platform::SleepMs(kFailedAcceptPauseMs);
  }
}

void HttpListener::Admit(std::unique_ptr<platform::TcpSocket> connection) {
  if (!connections_->MakeRoom(stopRequested_)) return;
  try {
    HandOver(std::move(connection));
  } catch (const std::bad_alloc&) {
    // Out of memory: this connection is closed as what was made for it goes; the
    // listener and the connections already served go on.
  }
}

void HttpListener::RunConnection(std::unique_ptr<Client> client,
                                 std::unique_ptr<CTaskThread> thread) {
  thread->SetAutoDelete(1);
  if (!thread->Start()) {
    client->Close();
    return;
  }
  // Both belong to the running thread now.
  client.release();
  thread.release();
}

HttpServer::~HttpServer() { StopAndWait(); }

CTaskThread* HttpServer::MakeAcceptThread() { return new CHttpServTaskThread(this); }

void HttpServer::HandOver(std::unique_ptr<platform::TcpSocket> connection) {
  platform::TcpSocket* socket = connection.get();
  auto client = std::make_unique<HttpClient>(std::move(connection));
  auto thread = std::make_unique<CHttpClientTaskThread>(client.get(), socket, connections(),
                                                        headLimit());
  RunConnection(std::move(client), std::move(thread));
}

HttpsServer::HttpsServer(std::chrono::milliseconds headLimit)
    : HttpListener(headLimit), context_(CreateServerTlsContext()) {}

HttpsServer::~HttpsServer() {
  StopAndWait();
  SSL_CTX_free(context_);
}

CTaskThread* HttpsServer::MakeAcceptThread() { return new CHttpsServTaskThread(this); }

// The handshake runs on the connection's thread: a peer that never completes it holds up
// no one else.
void HttpsServer::HandOver(std::unique_ptr<platform::TcpSocket> connection) {
  platform::TcpSocket* socket = connection.get();
  auto client = std::make_unique<HttpsClient>(std::move(connection), context_);
  auto thread = std::make_unique<CHttpsClientTaskThread>(client.get(), socket, connections(),
                                                         headLimit());
  RunConnection(std::move(client), std::move(thread));
}

void CHttpServTaskThread::Run() {
  if (server_) server_->AcceptLoop();
}

void CHttpClientTaskThread::Run() {
  client_->ProcessRequests(place_, headLimit_);
  delete client_;
}

void CHttpsClientTaskThread::Run() {
  CHttpClientTaskThread::Run();
  OPENSSL_thread_stop();
}

}  // namespace lumarin
