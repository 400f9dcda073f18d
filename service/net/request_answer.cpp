#include "service/net/request_answer.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "service/net/http_answers.h"
#include "service/net/service_text.h"

namespace lumarin {
namespace {

// Log lines are cut to 1023 bytes.
template <typename... Args>
void LogLine(RequestLogWriter log, const char* format, const Args&... args) {
  char line[1024];
  std::snprintf(line, sizeof line, format, args.c_str()...);
  log(line);
}

void ParseQuery(const std::string& query, RequestLogWriter log, ParamMap& params) {
  for (const std::string& piece : SplitString(query, "&")) {
    std::vector<std::string> parts = SplitString(piece, "=");
    if (parts.size() < 2) parts.resize(2);
    if (log) LogLine(log, "参数名：%s,参数值：%s", parts[0], parts[1]);
    params.emplace(parts[0], parts[1]);
  }
}

// The headers' length with the longest Content-Length, without the body or the NUL.
constexpr std::size_t kOkHeaderRoom = sizeof kOkAnswerTemplate + 16;

AnswerText FixedAnswer(const char* text) {
  return {text, static_cast<int>(std::strlen(text))};
}

}  // namespace

bool ParseRequest(const char* read, RequestLogWriter log, ParsedRequest& request) {
  std::string text(read);
  TrimSpaces(text);
  const std::size_t blank = text.find(' ');
  if (blank == std::string::npos) return false;
  request.method = text.substr(0, blank);
  // The target ends before the character in front of "HTTP", normally the blank before the
  // version, so that the last parameter's value does not carry it.
  const std::size_t version = text.find("HTTP", blank);
  const std::string target =
      text.substr(blank, version == std::string::npos ? std::string::npos : version - 1 - blank);
  const std::size_t question = target.find('?');
  request.path = target.substr(0, question);
  request.query = question == std::string::npos ? std::string() : target.substr(question + 1);
  if (log) LogLine(log, "所有参数字符串%s", request.query);
  ParseQuery(request.query, log, request.params);
  if (log) LogLine(log, "%s", request.path);
  return true;
}

char* AnswerBuffer::ZeroedResult() {
  // One byte more than a handler may write, always zero, ends even an unterminated result.
  // A new block is zero; a kept one was cleared as far as its last answer reached.
  if (!block_) block_ = platform::MakeLargeBlock(kOkHeaderRoom + kAnswerBufferSize + 1);
  if (!block_) throw std::bad_alloc();
  return block_.get() + kOkHeaderRoom;
}

// Clearing what the answer used is all the next request needs, where zeroing the whole
// half-megabyte cost a quarter of the requests per second.
AnswerBuffer::~AnswerBuffer() {
  if (!block_) return;
  char* result = block_.get() + kOkHeaderRoom;
  result[kAnswerBufferSize] = '\0';  // a handler that failed may have left it unset
  std::memset(result, 0, std::strlen(result));
}

AnswerText AnswerRequest(const char* read, const RouteTable& routes, RequestLogWriter log,
                         AnswerBuffer& buffer) {
  ParsedRequest request;
  if (!ParseRequest(read, log, request)) return {nullptr, 0};
  if (request.method != "GET" && request.method != "POST") return FixedAnswer(kEmptyOkAnswer);
  const ApiHandler handler = routes.Find(TrimSpaces(request.path));
  if (!handler) return FixedAnswer(kNotFoundAnswer);
  char* result = buffer.ZeroedResult();
  handler(request.params, result);
  result[kAnswerBufferSize] = '\0';
  const int length = static_cast<int>(std::strlen(result));
  char headers[kOkHeaderRoom];
  const int headersLength = std::snprintf(headers, sizeof headers, kOkAnswerTemplate, length, "");
  char* answer = result - headersLength;
  std::memcpy(answer, headers, static_cast<std::size_t>(headersLength));
  return {answer, headersLength + length};
}

}  // namespace lumarin
