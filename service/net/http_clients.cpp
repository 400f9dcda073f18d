#include "service/net/http_clients.h"

#include <openssl/bio.h>
#include <openssl/ssl.h>

#include <cstdint>

#include "service/shell/service_log.h"

namespace lumarin {
namespace {

// What is left of the wait until `until`, as the socket's waits take it.
std::uint32_t MsLeft(Client::Deadline until) {
  if (until == Client::kNoDeadline) return platform::kNoTimeLimit;
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        until - std::chrono::steady_clock::now())
                        .count();
  return left <= 0 ? 0 : left >= platform::kNoTimeLimit ? platform::kNoTimeLimit - 1
                                                         : static_cast<std::uint32_t>(left);
}

long LimitRead(BIO* bio, int operation, const char*, std::size_t, int, long, int result,
               std::size_t* processed) {
  const auto* limit = reinterpret_cast<const HttpsClient::ReadLimit*>(BIO_get_callback_arg(bio));
  if (operation == BIO_CB_READ)
    return limit->socket->WaitReadable(MsLeft(limit->until)) ? result : -1;
  if (operation == (BIO_CB_READ | BIO_CB_RETURN) && result > 0 && *processed > 0 && limit->place)
    limit->place->Heard();
  return result;
}

}  // namespace

HttpClient::HttpClient(std::unique_ptr<platform::TcpSocket> socket) : socket_(std::move(socket)) {}

int HttpClient::Read(char* buffer, int size, Deadline until) {
  if (!socket_ || size <= 0) return -1;
  const int received = socket_->Receive(reinterpret_cast<std::uint8_t*>(buffer),
                                        static_cast<std::size_t>(size), MsLeft(until));
  if (received > 0 && place()) place()->Heard();
  return received;
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

HttpsClient::HttpsClient(std::unique_ptr<platform::TcpSocket> socket, SSL_CTX* context)
    : socket_(std::move(socket)), limit_{socket_.get(), kNoDeadline, nullptr} {
  ssl_ = context ? SSL_new(context) : nullptr;
  if (ssl_ && SSL_set_fd(ssl_, static_cast<int>(socket_->NativeHandle())) != 1) {
    SSL_free(ssl_);
    ssl_ = nullptr;
  }
  if (!ssl_) return;
  BIO* bio = SSL_get_rbio(ssl_);
  BIO_set_callback_arg(bio, reinterpret_cast<char*>(&limit_));
  BIO_set_callback_ex(bio, LimitRead);
}

HttpsClient::~HttpsClient() { SSL_free(ssl_); }

bool HttpsClient::Open(Deadline until) {
  limit_.until = until;
  limit_.place = place();
  open_ = ssl_ && SSL_accept(ssl_) == 1;
  if (!open_) WriteServiceLog("SSL accept failed");
  return open_;
}

int HttpsClient::Read(char* buffer, int size, Deadline until) {
  if (!socket_ || !open_ || size <= 0) return -1;
  limit_.until = until;
  return SSL_read(ssl_, buffer, size);
}

// Without partial writes (OpenSSL's default) one SSL_write sends every byte or fails. An
// answer is never cut by a deadline, not even by a read that TLS needs while it writes.
int HttpsClient::Write(const char* data, int length) {
  if (!socket_ || !open_) return -1;
  if (length == 0) return 0;
  limit_.until = kNoDeadline;
  return SSL_write(ssl_, data, length) == length ? length : -1;
}

// No close notification after a failed handshake: OpenSSL forbids a shutdown then.
void HttpsClient::Close() {
  if (!socket_) return;
  if (open_) SSL_shutdown(ssl_);
  socket_.reset();
}

}  // namespace lumarin
