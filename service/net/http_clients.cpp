#include "service/net/http_clients.h"

#include <openssl/ssl.h>

#include <cstdint>

namespace lumarin {

HttpClient::HttpClient(std::unique_ptr<platform::TcpSocket> socket) : socket_(std::move(socket)) {}

int HttpClient::Read(char* buffer, int size) {
  if (!socket_ || size <= 0) return -1;
  // An open connection has no time-out.
  return socket_->Receive(reinterpret_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(size),
                          platform::kNoTimeLimit);
}

// One send may take only part of a large answer: the rest follows until all is out.
int HttpClient::Write(const char* data, int length) {
  int sent = 0;
  while (socket_ && sent < length) {
    const int now = socket_->Send(reinterpret_cast<const std::uint8_t*>(data) + sent,
                                  static_cast<std::size_t>(length - sent));
    if (now <= 0) return -1;
    sent += now;
  }
  return socket_ ? sent : -1;
}

void HttpClient::Close() { socket_.reset(); }

HttpsClient::HttpsClient(std::unique_ptr<platform::TcpSocket> socket, SSL* ssl)
    : socket_(std::move(socket)), ssl_(ssl) {}

HttpsClient::~HttpsClient() { SSL_free(ssl_); }

int HttpsClient::Read(char* buffer, int size) {
  if (!socket_ || size <= 0) return -1;
  return SSL_read(ssl_, buffer, size);
}

// Without partial writes (OpenSSL's default) one SSL_write sends every byte or fails.
int HttpsClient::Write(const char* data, int length) {
  if (!socket_) return -1;
  if (length == 0) return 0;
  return SSL_write(ssl_, data, length) == length ? length : -1;
}

void HttpsClient::Close() {
  if (!socket_) return;
  SSL_shutdown(ssl_);
  socket_.reset();
}

}  // namespace lumarin
