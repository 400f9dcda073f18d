// Arbitrary reads of an HTTP connection (up to 1023 bytes, NULs included) through the request
// parse and the answer choice, with a handler that echoes its parameters and the log on.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "service/net/request_answer.h"

namespace {

void EchoHandler(lumarin::ParamMap& params, char* result) {
  std::string text;
  for (const auto& [name, value] : params) text += name + "=" + value + ";";
  std::memcpy(result, text.data(), text.size());  // a read's parameters are far below the size
}

void DropLine(const char* line) {
  if (std::strlen(line) > 1023) std::abort();
}

const lumarin::RouteTable& Routes() {
  static lumarin::RouteTable routes;
  const lumarin::ApiHandler e = EchoHandler;
  routes.Fill({e, e, e, e, e, e, e, e, e, e, e, e, e, e, e});
  return routes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lumarin::AnswerBuffer buffer;
  char read[lumarin::kReadSize + 1];
  const std::size_t length = size < lumarin::kReadSize ? size : lumarin::kReadSize;
  std::memcpy(read, data, length);
  read[length] = '\0';
  const lumarin::AnswerText answer = lumarin::AnswerRequest(read, Routes(), DropLine, buffer);
  if (answer.bytes && std::strncmp(answer.bytes, "HTTP/1.1 ", 9) != 0) std::abort();
  return 0;
}
