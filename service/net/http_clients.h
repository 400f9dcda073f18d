#pragma once
// The two kinds of accepted connection: plain TCP and TLS.
#include <memory>

#include "platform/tcp_socket.h"
#include "service/net/client.h"

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace lumarin {

class HttpClient : public Client {
 public:
  explicit HttpClient(std::unique_ptr<platform::TcpSocket> socket);

  int Read(char* buffer, int size, Deadline until) override;
  int Write(const char* data, int length) override;
  void Close() override;
  bool Open(Deadline) override { return true; }

 private:
  std::unique_ptr<platform::TcpSocket> socket_;
};

class HttpsClient : public Client {
 public:
  // The handshake is Open's, on the connection's own thread. `context` may be null (no
  // handshake succeeds then).
  HttpsClient(std::unique_ptr<platform::TcpSocket> socket, SSL_CTX* context);
  ~HttpsClient() override;

  int Read(char* buffer, int size, Deadline until) override;
  int Write(const char* data, int length) override;
  // Sends the TLS close notification after a completed handshake, then closes the socket.
  void Close() override;
  // The server handshake; a failed one is logged "SSL accept failed".
  bool Open(Deadline until) override;

  // Before each read of the socket, for OpenSSL: waits for the peer's bytes until the
  // deadline (a read fails when none came); after it, tells `place` that bytes came.
  struct ReadLimit {
    platform::TcpSocket* socket;
    Deadline until;
    ConnectionCap::Place* place;
  };

 private:
  std::unique_ptr<platform::TcpSocket> socket_;
  SSL* ssl_ = nullptr;
  ReadLimit limit_;
  bool open_ = false;  // the handshake completed
};

}  // namespace lumarin
