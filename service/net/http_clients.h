#pragma once
// The two kinds of accepted connection: plain TCP and TLS.
#include <memory>

#include "platform/tcp_socket.h"
#include "service/net/client.h"

typedef struct ssl_st SSL;

namespace lumarin {

class HttpClient : public Client {
 public:
  explicit HttpClient(std::unique_ptr<platform::TcpSocket> socket);

  int Read(char* buffer, int size) override;
  int Write(const char* data, int length) override;
  void Close() override;

 private:
  std::unique_ptr<platform::TcpSocket> socket_;
};

class HttpsClient : public Client {
 public:
  // `ssl` has completed its handshake on `socket`; the client owns both.
  HttpsClient(std::unique_ptr<platform::TcpSocket> socket, SSL* ssl);
  ~HttpsClient() override;

  int Read(char* buffer, int size) override;
  int Write(const char* data, int length) override;
  // Sends the TLS close notification, then closes the socket.
  void Close() override;

 private:
  std::unique_ptr<platform::TcpSocket> socket_;
  SSL* ssl_;
};

}  // namespace lumarin
