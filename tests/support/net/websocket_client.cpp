#include "support/net/websocket_client.h"

#include <chrono>
#include <thread>

namespace vantel_test {
namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<int>(left.count());
}

const char kAcceptHeader[] = "Sec-WebSocket-Accept: ";

}  // namespace

WebSocketClient::WebSocketClient(int port) : socket_(ConnectLocal(port)) {}

WebSocketClient::~WebSocketClient() { Disconnect(); }

bool WebSocketClient::Upgrade(const std::string& key) {
  const std::string request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\n"
                              "Connection: Upgrade\r\nSec-WebSocket-Key: " + key +
                              "\r\nSec-WebSocket-Version: 13\r\n\r\n";
  if (!SendRaw(request) || !ReceiveAnswer()) return false;
  const std::size_t accept = answer_.find(kAcceptHeader);
  return answer_.rfind("HTTP/1.1 101 ", 0) == 0 && accept != std::string::npos &&
         answer_.compare(accept + sizeof kAcceptHeader - 1, 30, ExpectedAcceptValue(key) + "\r\n") == 0;
}

bool WebSocketClient::ReceiveAnswer(int wait_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
  std::size_t end;
  while ((end = pending_.find("\r\n\r\n")) == std::string::npos) {
    if (ReceiveMore(MillisecondsLeft(deadline)) <= 0) return false;
  }
  answer_ = pending_.substr(0, end + 4);
  pending_.erase(0, end + 4);
  return true;
}

bool WebSocketClient::SendRaw(const std::string& bytes) {
  return Connected() &&
         SendAll(socket_, reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

bool WebSocketClient::SendInPieces(const std::string& bytes, std::size_t piece, int pause_ms) {
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    if (at > 0) std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
    if (!SendRaw(bytes.substr(at, piece))) return false;
  }
  return true;
}

bool WebSocketClient::SendFrame(int opcode, const std::string& payload, FrameOptions options) {
  return SendRaw(ClientFrame(opcode, payload, options));
}

bool WebSocketClient::ReceiveFrame(ParsedFrame* frame, int wait_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
  std::size_t size;
  while ((size = ParseFrame(pending_, frame)) == 0) {
    if (ReceiveMore(MillisecondsLeft(deadline)) <= 0) return false;
  }
  pending_.erase(0, size);
  return true;
}

bool WebSocketClient::StaysSilent(int wait_ms) {
  return pending_.empty() && ReceiveMore(wait_ms) < 0;
}

bool WebSocketClient::ClosedByServer(int wait_ms) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(wait_ms);
  for (;;) {
    const int left = MillisecondsLeft(deadline);
    if (left <= 0) return false;
    const int got = ReceiveMore(left);
    if (got == 0) return true;
    if (got < 0) return false;
  }
}

void WebSocketClient::Disconnect() {
  if (!Connected()) return;
  CloseLocal(socket_);
  socket_ = kNoSocket;
}

int WebSocketClient::ReceiveMore(int wait_ms) {
  if (!Connected() || wait_ms <= 0) return -1;
  SetReceiveWait(socket_, wait_ms);
  std::uint8_t buffer[65536];
  const int got = ReceiveSome(socket_, buffer, sizeof buffer);
  if (got > 0) pending_.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(got));
  return got;
}

}  // namespace vantel_test
