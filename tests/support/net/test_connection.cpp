#include "support/net/test_connection.h"

#include <openssl/ssl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

namespace vantel_test {
namespace {

using Clock = std::chrono::steady_clock;

std::uint32_t MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<std::uint32_t>(left) : 0;
}

}  // namespace

TestConnection::TestConnection(int port) : socket_(platform::TcpSocket::Create()) {
  platform::StartSocketLibrary();
  connected_ = socket_ && socket_->Connect("127.0.0.1", static_cast<std::uint16_t>(port),
                                           static_cast<std::uint32_t>(kLimit.count()));
}

TestConnection::~TestConnection() { platform::StopSocketLibrary(); }

std::unique_ptr<TestConnection> TestConnection::Plain(int port) {
  return std::unique_ptr<TestConnection>(new TestConnection(port));
}

std::unique_ptr<TestConnection> TestConnection::Tls(int port) {
  return std::make_unique<TlsTestConnection>(port);
}

bool TestConnection::Send(const std::string& bytes) {
  std::size_t sent = 0;
  while (connected_ && sent < bytes.size()) {
    const int now = SendSome(bytes.data() + sent, bytes.size() - sent);
    if (now <= 0) return false;
    sent += static_cast<std::size_t>(now);
  }
  return connected_;
}

std::string TestConnection::Receive(std::size_t length, std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  std::string got = TakePending(length);
  char buffer[4096];
  while (connected_ && got.size() < length) {
    const std::uint32_t left = MillisecondsLeft(deadline);
    if (left == 0) break;
    const int now = ReceiveSome(buffer, std::min(sizeof buffer, length - got.size()), left);
    if (now <= 0) break;
    got.append(buffer, static_cast<std::size_t>(now));
  }
  return got;
}

std::string TestConnection::TakePending(std::size_t length) {
  std::string taken = pending_.substr(0, length);
  pending_.erase(0, taken.size());
  return taken;
}

bool TestConnection::SeesClose(std::chrono::milliseconds limit) {
  if (!connected_ || !pending_.empty()) return false;
  const Clock::time_point deadline = Clock::now() + limit;
  char byte;
  const int got = ReceiveSome(&byte, 1, static_cast<std::uint32_t>(limit.count()));
  // A time-out fails the receive too: only an early end counts as a close.
  return got == 0 || (got < 0 && MillisecondsLeft(deadline) > 0);
}

std::string TestConnection::ReceiveAnswer(std::chrono::milliseconds limit) {
  const Clock::time_point deadline = Clock::now() + limit;
  // Whole receives, not a byte at a time, so that a benchmark times the service rather than
  // this client; what came after the answer is kept for the next read.
  std::string answer = TakePending(pending_.size());
  std::size_t end;
  char buffer[4096];
  while ((end = answer.find("\r\n\r\n")) == std::string::npos) {
    const std::uint32_t left = MillisecondsLeft(deadline);
    const int now = left && connected_ ? ReceiveSome(buffer, sizeof buffer, left) : -1;
    if (now <= 0) return answer;
    answer.append(buffer, static_cast<std::size_t>(now));
  }
  const std::string field = "Content-Length: ";
  const std::size_t at = answer.find(field);
  const std::size_t body =
      at == std::string::npos || at > end ? 0 : std::strtoul(answer.c_str() + at + field.size(), nullptr, 10);
  const std::size_t whole = end + 4 + body;
  if (answer.size() > whole) {
    pending_ = answer.substr(whole);
    answer.resize(whole);
  }
  return answer + Receive(whole - answer.size(), std::chrono::milliseconds(MillisecondsLeft(deadline)));
}

int TestConnection::SendSome(const char* data, std::size_t length) {
  return socket_->Send(reinterpret_cast<const std::uint8_t*>(data), length);
}

int TestConnection::ReceiveSome(char* buffer, std::size_t capacity, std::uint32_t waitMs) {
  return socket_->Receive(reinterpret_cast<std::uint8_t*>(buffer), capacity, waitMs);
}

TlsTestConnection::TlsTestConnection(int port) : TestConnection(port) {
  if (!connected_) return;
  connected_ = false;
  context_ = SSL_CTX_new(TLS_client_method());
  if (!context_) return;
  ssl_ = SSL_new(context_);
  if (!ssl_) return;
  SSL_set_fd(ssl_, static_cast<int>(socket_->NativeHandle()));
  connected_ = SSL_connect(ssl_) == 1;
}

TlsTestConnection::~TlsTestConnection() {
  SSL_free(ssl_);
  SSL_CTX_free(context_);
}

int TlsTestConnection::SendSome(const char* data, std::size_t length) {
  return SSL_write(ssl_, data, static_cast<int>(length));
}

int TlsTestConnection::ReceiveSome(char* buffer, std::size_t capacity, std::uint32_t waitMs) {
  if (SSL_pending(ssl_) == 0 && !socket_->WaitReadable(waitMs)) return -1;
  const int got = SSL_read(ssl_, buffer, static_cast<int>(capacity));
  if (got > 0) return got;
  return SSL_get_error(ssl_, got) == SSL_ERROR_ZERO_RETURN ? 0 : -1;
}

}  // namespace vantel_test
