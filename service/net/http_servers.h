#pragma once
// The HTTP and HTTPS listeners: each runs one accept thread and gives every accepted
// connection a thread of its own, which runs the TLS handshake (HTTPS) and the request loop
// until the peer closes.
#include <atomic>
#include <chrono>
#include <memory>

#include "platform/tcp_socket.h"
#include "service/net/client.h"
#include "service/net/connection_cap.h"
#include "service/shell/task_thread.h"

typedef struct ssl_ctx_st SSL_CTX;

namespace lumarin {

// How long a peer may take to send a whole request: its first after the accept (the TLS
// handshake included), or a later one from its first bytes on.
constexpr std::chrono::milliseconds kRequestHeadLimit{10000};
// How long a listener's end waits for its connections' threads to end.
constexpr std::chrono::milliseconds kConnectionsEndLimit{1000};

// What the two listeners share: start, stop, the accept loop.
class HttpListener {
 public:
  HttpListener(const HttpListener&) = delete;
  HttpListener& operator=(const HttpListener&) = delete;

  // Always true: whether the port could be bound shows only in whether anything answers.
  // Waits (dispatching window messages) for the accept thread of an earlier start to end.
  // The listener binds all local interfaces; the address is kept, not used.
  bool Start(void* notify, const char* address, int port);
  // Asks a running accept thread to end and wakes it with a connection to 127.0.0.1; does
  // not wait. Open connections are served on.
  void Stop();
  // The listener's end: stops, waits for the accept thread, then ends the open connections
  // as soon as they are not being answered, waiting up to kConnectionsEndLimit for them.
  // The destructors of the derived listeners call it first.
  void StopAndWait();
  // True from Start until Stop, whether or not the port could be bound.
  bool IsActive() const { return !stopRequested_; }
  // The accept thread's body.
  void AcceptLoop();

 protected:
  explicit HttpListener(std::chrono::milliseconds headLimit) : headLimit_(headLimit) {}
  ~HttpListener() = default;
  virtual CTaskThread* MakeAcceptThread() = 0;
  // Takes over one accepted connection.
  virtual void HandOver(std::unique_ptr<platform::TcpSocket> connection) = 0;
  // Runs `client` on `thread`, which deletes both when it ends; frees both when no thread
  // starts.
  static void RunConnection(std::unique_ptr<Client> client, std::unique_ptr<CTaskThread> thread);
  const std::shared_ptr<ConnectionCap>& connections() const { return connections_; }
  std::chrono::milliseconds headLimit() const { return headLimit_; }

 private:
  // Serves one accepted connection unless the cap refuses it.
  void Admit(std::unique_ptr<platform::TcpSocket> connection);

  const std::chrono::milliseconds headLimit_;
  std::unique_ptr<CTaskThread> acceptThread_;
  std::shared_ptr<ConnectionCap> connections_ = std::make_shared<ConnectionCap>();
  std::atomic<bool> stopRequested_{false};
  void* notify_ = nullptr;
  std::atomic<int> port_{0};
  char address_[17] = {};
};

class HttpServer final : public HttpListener {
 public:
  explicit HttpServer(std::chrono::milliseconds headLimit = kRequestHeadLimit)
      : HttpListener(headLimit) {}
  ~HttpServer();

 private:
  CTaskThread* MakeAcceptThread() override;
  void HandOver(std::unique_ptr<platform::TcpSocket> connection) override;
};

class HttpsServer final : public HttpListener {
 public:
  // Prepares the TLS context (certificate and key beside the service).
  explicit HttpsServer(std::chrono::milliseconds headLimit = kRequestHeadLimit);
  ~HttpsServer();

 private:
  CTaskThread* MakeAcceptThread() override;
  void HandOver(std::unique_ptr<platform::TcpSocket> connection) override;

  SSL_CTX* context_;
};

// The accept threads.
class CHttpServTaskThread : public CTaskThread {
 public:
  explicit CHttpServTaskThread(HttpListener* server) : server_(server) {}

 protected:
  void Run() override;

 private:
  HttpListener* server_;
};

class CHttpsServTaskThread : public CHttpServTaskThread {
 public:
  using CHttpServTaskThread::CHttpServTaskThread;
};

// The connection threads: the request loop, then the connection object is deleted. Each
// holds its connection's place under the listener's cap until it is deleted itself; the
// listener cuts the connection off by interrupting `socket`, the client's.
class CHttpClientTaskThread : public CTaskThread {
 public:
  CHttpClientTaskThread(Client* client, platform::TcpSocket* socket,
                        std::shared_ptr<ConnectionCap> cap, std::chrono::milliseconds headLimit)
      : client_(client), place_(std::move(cap), [socket] { socket->Interrupt(); }),
        headLimit_(headLimit) {}

 protected:
  void Run() override;

 private:
  Client* client_;
  ConnectionCap::Place place_;
  std::chrono::milliseconds headLimit_;
};

class CHttpsClientTaskThread : public CHttpClientTaskThread {
 public:
  using CHttpClientTaskThread::CHttpClientTaskThread;

 protected:
  // Frees what TLS kept for this thread: OpenSSL frees it at a thread's end only where it is
  // a shared library, and a thread still ending as the program ends would leave it behind.
  void Run() override;
};

}  // namespace lumarin
