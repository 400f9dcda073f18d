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

// The two answer buffers of a request. The answer has room for the headers and a whole result.
class AnswerBuffers {
 public:
  // False when the memory could not be had.
  bool Allocate();
  char* result() { return result_.get(); }
  char* answer() { return answer_.get(); }

 private:
  platform::LargeBlock result_;
  platform::LargeBlock answer_;
};

// Answers one NUL-terminated read: the answer's length in `buffers.answer()`, or -1 when the
// read gets no answer.
int AnswerRequest(const char* read, const RouteTable& routes, RequestLogWriter log,
                  AnswerBuffers& buffers);

}  // namespace lumarin
