#include "service/net/http_servers.h"

#include <openssl/bio.h>
#include <openssl/ssl.h>

#include <cstring>
#include <new>

#include "platform/clock.h"
#include "service/api/api_handlers.h"
#include "service/net/http_clients.h"
#include "service/net/tls_context.h"
#include "service/shell/service_log.h"

namespace lumarin {
namespace {

constexpr int kListenBacklog = 2;
// A listener that runs takes the stop's wake-up connection at once.
constexpr std::uint32_t kWakeUpWaitMs = 1000;

using Clock = std::chrono::steady_clock;

struct HandshakeDeadline {
  platform::TcpSocket* socket;
  Clock::time_point end;
};

// Before each read of the handshake: wait for the peer's bytes at most the time left, and
// fail the read when none came.
long LimitHandshakeRead(BIO* bio, int operation, const char*, std::size_t, int, long, int result,
                        std::size_t*) {
  if (operation != BIO_CB_READ) return result;
  const auto* deadline = reinterpret_cast<const HandshakeDeadline*>(BIO_get_callback_arg(bio));
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline->end - Clock::now()).count();
  if (left <= 0 || !deadline->socket->WaitReadable(static_cast<std::uint32_t>(left))) return -1;
  return result;
}

// A peer that never completes its handshake would hold up every later HTTPS connection.
bool BoundedHandshake(SSL* ssl, platform::TcpSocket& socket, std::chrono::milliseconds limit) {
  if (SSL_set_fd(ssl, static_cast<int>(socket.NativeHandle())) != 1) return false;
  HandshakeDeadline deadline{&socket, Clock::now() + limit};
  BIO* bio = SSL_get_rbio(ssl);
  BIO_set_callback_arg(bio, reinterpret_cast<char*>(&deadline));
  BIO_set_callback_ex(bio, LimitHandshakeRead);
  const bool done = SSL_accept(ssl) == 1;
  BIO_set_callback_ex(bio, nullptr);
  return done;
}

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
  auto wakeUp = platform::TcpSocket::Create();
  if (wakeUp) wakeUp->Connect("127.0.0.1", static_cast<std::uint16_t>(port_), kWakeUpWaitMs);
}

void HttpListener::Shutdown() {
  Stop();
  if (acceptThread_ && acceptThread_->IsRunning()) acceptThread_->WaitWithMessagePump();
  acceptThread_.reset();
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
  if (!connections_->AdmitsOneMore()) return;
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

HttpServer::~HttpServer() { Shutdown(); }

CTaskThread* HttpServer::MakeAcceptThread() { return new CHttpServTaskThread(this); }

void HttpServer::HandOver(std::unique_ptr<platform::TcpSocket> connection) {
  auto client = std::make_unique<HttpClient>(std::move(connection));
  auto thread = std::make_unique<CHttpClientTaskThread>(client.get(), connections());
  RunConnection(std::move(client), std::move(thread));
}

HttpsServer::HttpsServer(std::chrono::milliseconds handshakeLimit)
    : context_(CreateServerTlsContext()), handshakeLimit_(handshakeLimit) {}

HttpsServer::~HttpsServer() {
  Shutdown();
  SSL_CTX_free(context_);
}

CTaskThread* HttpsServer::MakeAcceptThread() { return new CHttpsServTaskThread(this); }

void HttpsServer::HandOver(std::unique_ptr<platform::TcpSocket> connection) {
  std::unique_ptr<SSL, void (*)(SSL*)> ssl(context_ ? SSL_new(context_) : nullptr, SSL_free);
  if (!ssl || !BoundedHandshake(ssl.get(), *connection, handshakeLimit_)) {
    // No close notification after a failed handshake: OpenSSL forbids a shutdown then.
    WriteServiceLog("SSL accept failed");
    return;
  }
  auto client = std::make_unique<HttpsClient>(std::move(connection), ssl.get());
  ssl.release();  // the client's now
  auto thread = std::make_unique<CHttpsClientTaskThread>(client.get(), connections());
  RunConnection(std::move(client), std::move(thread));
}

void CHttpServTaskThread::Run() {
  if (server_) server_->AcceptLoop();
}

void CHttpClientTaskThread::Run() {
  client_->ProcessRequests();
  delete client_;
}

}  // namespace lumarin
