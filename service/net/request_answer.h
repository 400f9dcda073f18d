#pragma once
// One read of an HTTP connection turned into its answer: the request line alone is parsed
// (method, path, query parameters); headers and body are never looked at and nothing is
// URL-decoded. Bytes in, bytes out: no sockets here.
#include <string>

#include "platform/large_block.h"
#include "service/api/api_handler.h"
#include "service/net/route_table.h"

namespace lumarin {

// The most one read takes: the read buffer keeps a byte for the NUL behind it.
constexpr int kReadSize = 1023;

// Writes one line to the service log; null while the log is off, and nothing is formatted.
using RequestLogWriter = void (*)(const char* line);

struct ParsedRequest {
  std::string method;
  std::string path;  // from the blank after the method, which it keeps; trimmed only to look up
  std::string query;
  ParamMap params;
};

// Parses a read up to its first NUL; false when it holds no blank (it gets no answer).
bool ParseRequest(const char* read, RequestLogWriter log, ParsedRequest& request);

// Where a handler's answer is made: the handler's result, and the headers placed right in
// front of it, so that the answer leaves from one place without a copy. Taken when a handler
// answers and given back with the object.
class AnswerBuffer {
 public:
  AnswerBuffer() = default;
  ~AnswerBuffer();
  AnswerBuffer(const AnswerBuffer&) = delete;
  AnswerBuffer& operator=(const AnswerBuffer&) = delete;

  // Room for kAnswerBufferSize bytes, zeroed, and a NUL behind them, with room for the
  // headers in front. Throws std::bad_alloc when the memory cannot be had.
  char* ZeroedResult();

 private:
  platform::LargeBlock block_;
};

// An answer's bytes; null when the read gets no answer.
struct AnswerText {
  const char* bytes;
  int length;
};

// Answers one NUL-terminated read: a fixed answer, or a handler's made in `buffer`.
AnswerText AnswerRequest(const char* read, const RouteTable& routes, RequestLogWriter log,
                         AnswerBuffer& buffer);

}  // namespace lumarin
