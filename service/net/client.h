#pragma once
// One accepted HTTP or HTTPS connection, as the request loop sees it.
#include "service/net/request_answer.h"

namespace lumarin {

class Client {
 public:
  Client() = default;
  virtual ~Client() = default;
  Client(const Client&) = delete;
  Client& operator=(const Client&) = delete;

  // Bytes received, at most `size`; 0 or less when the peer closed or the connection failed.
  virtual int Read(char* buffer, int size) = 0;
  // Sends all `length` bytes: `length`, or -1 when the connection failed.
  virtual int Write(const char* data, int length) = 0;
  virtual void Close() = 0;

  // Answers the peer's requests, one per read, until the peer closes or no memory can be
  // had for an answer; then closes.
  void ProcessRequests();

 private:
  // Answers one NUL-terminated read; false when the memory for its answer could not be had.
  bool Answer(const char* read);
};

}  // namespace lumarin
