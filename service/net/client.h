#pragma once
// One accepted HTTP or HTTPS connection, as the request loop sees it.
#include <chrono>

#include "service/net/connection_cap.h"
#include "service/net/request_answer.h"

namespace lumarin {

class Client {
 public:
  // When a wait ends: a read that has not got its bytes by then fails.
  using Deadline = std::chrono::steady_clock::time_point;
  static constexpr Deadline kNoDeadline = Deadline::max();

  Client() = default;
  virtual ~Client() = default;
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  // Bytes received, at most `size`; 0 or less when the peer closed, the connection failed
  // or was cut off, or nothing came by `until`.
  virtual int Read(char* buffer, int size, Deadline until) = 0;
  // Sends all `length` bytes: `length`, or -1 when the connection failed.
  virtual int Write(const char* data, int length) = 0;
  virtual void Close() = 0;
  // What comes before the first request (the TLS handshake): false when it failed or was
  // not done by `until`, and the connection is closed.
  virtual bool Open(Deadline until) = 0;

  // Answers the peer's requests, one per read, until the peer closes, no memory can be had
  // for an answer, the listener cuts the connection off through `place`, or a request has
  // not come within `headLimit` (of the accept for the first, handshake included; of its
  // first bytes for a later one: between requests the connection may wait without limit);
  // then closes.
  void ProcessRequests(ConnectionCap::Place& place, std::chrono::milliseconds headLimit);

 protected:
  // Where the connection tells the listener that bytes came; null outside ProcessRequests.
  ConnectionCap::Place* place() const { return place_; }

 private:
  // Answers one NUL-terminated read: false when it gets no answer (it holds no request).
  bool Answer(const char* read);

  ConnectionCap::Place* place_ = nullptr;
};

}  // namespace lumarin
