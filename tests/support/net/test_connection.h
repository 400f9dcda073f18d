#pragma once
// A client connection to a listener on 127.0.0.1 that sends exact bytes and receives with a
// time limit: plain TCP or TLS (OpenSSL, any certificate accepted).
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/tcp_socket.h"

typedef struct ssl_st SSL;
typedef struct ssl_ctx_st SSL_CTX;

namespace vantel_test {

class TestConnection {
 public:
  static constexpr std::chrono::milliseconds kLimit{10000};

  // A plain connection; connected() false when it could not be made.
  static std::unique_ptr<TestConnection> Plain(int port);
  // A TLS connection whose handshake completed; connected() false otherwise.
  static std::unique_ptr<TestConnection> Tls(int port);
  virtual ~TestConnection();

  bool connected() const { return connected_; }
  bool Send(const std::string& bytes);
  // What arrives until `length` bytes came, the peer closed or `limit` passed.
  std::string Receive(std::size_t length, std::chrono::milliseconds limit = kLimit);
  // Whether the peer closes (or fails) the connection within `limit` without sending more.
  bool SeesClose(std::chrono::milliseconds limit = kLimit);
  // Receives one whole answer of the service: the headers and Content-Length bytes of body.
  std::string ReceiveAnswer(std::chrono::milliseconds limit = kLimit);

 protected:
  explicit TestConnection(int port);
  // One send or receive call: bytes moved, 0 at the peer's close, -1 on failure or when
  // nothing came within `waitMs`.
  virtual int SendSome(const char* data, std::size_t length);
  virtual int ReceiveSome(char* buffer, std::size_t capacity, std::uint32_t waitMs);

  std::unique_ptr<platform::TcpSocket> socket_;
  bool connected_ = false;

 private:
  // Up to `length` of the bytes received past the last whole answer.
  std::string TakePending(std::size_t length);

  std::string pending_;
};

class TlsTestConnection : public TestConnection {
 public:
  explicit TlsTestConnection(int port);
  ~TlsTestConnection() override;

 private:
  int SendSome(const char* data, std::size_t length) override;
  int ReceiveSome(char* buffer, std::size_t capacity, std::uint32_t waitMs) override;

  SSL_CTX* context_ = nullptr;
  SSL* ssl_ = nullptr;
};

}  // namespace vantel_test
