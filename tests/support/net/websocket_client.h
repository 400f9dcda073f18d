#pragma once
// A WebSocket client for the service's tests (RFC 6455, written here): the upgrade checked
// against OpenSSL's SHA-1, masked frames of every kind and length form, raw bytes in timed
// pieces, and every wait bounded.
#include <string>

#include "support/local_socket.h"
#include "support/net/websocket_frames.h"

namespace vantel_test {

class WebSocketClient {
 public:
  static constexpr int kDefaultWaitMs = 5000;

  // Connects to 127.0.0.1:port; Connected() tells whether it worked.
  explicit WebSocketClient(int port);
  ~WebSocketClient();
  WebSocketClient(const WebSocketClient&) = delete;
  WebSocketClient& operator=(const WebSocketClient&) = delete;

  bool Connected() const { return socket_ != kNoSocket; }
  // Sends an upgrade request with `key` and reads the answer up to its blank line; true when
  // it is a 101 whose accept value is the one OpenSSL computes for the key.
  bool Upgrade(const std::string& key = "dGhlIHNhbXBsZSBub25jZQ==");
  // The answer header block that the last Upgrade or ReceiveAnswer read.
  const std::string& answer() const { return answer_; }
  // Reads an HTTP answer up to its blank line into answer(); false on time-out or close.
  bool ReceiveAnswer(int wait_ms = kDefaultWaitMs);

  bool SendRaw(const std::string& bytes);
  // The bytes in pieces of `piece` bytes, `pause_ms` apart, so that they arrive apart.
  bool SendInPieces(const std::string& bytes, std::size_t piece, int pause_ms);
  bool SendFrame(int opcode, const std::string& payload, FrameOptions options = {});
  bool SendText(const std::string& text) { return SendFrame(kOpText, text); }

  // The next whole frame; false on time-out or when the server closed first.
  bool ReceiveFrame(ParsedFrame* frame, int wait_ms = kDefaultWaitMs);
  // True when nothing arrives within `wait_ms` and the connection stays open.
  bool StaysSilent(int wait_ms);
  // True when the server closes the connection within `wait_ms` (bytes before it dropped).
  bool ClosedByServer(int wait_ms = kDefaultWaitMs);
  // Ends the TCP connection without a close frame.
  void Disconnect();

 private:
  // Appends what arrives within `wait_ms` to pending_: >0 bytes, 0 closed, -1 time-out.
  int ReceiveMore(int wait_ms);

  LocalSocket socket_;
  std::string pending_;  // received and not yet taken
  std::string answer_;
};

}  // namespace vantel_test
