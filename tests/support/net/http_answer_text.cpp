#include "support/net/http_answer_text.h"

namespace vantel_test {
namespace {

const std::string kCorsHeaders =
    "Access-Control-Allow-Credentials:true\r\n"
    "Access-Control-Allow-Origin:*\r\n"
    "Access-Control-Allow-Private-Network: true\r\n"
    "\r\n";

std::string Answer(const std::string& status, const std::string& body) {
  return "HTTP/1.1 " + status + "\r\nContent-Type: text/json;charset=UTF-8\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n" + kCorsHeaders + body;
}

}  // namespace

const std::string kEmptyOkAnswer = Answer("200 OK", "");
const std::string kNotFoundAnswer = Answer("404 OK", "");

std::string OkAnswer(const std::string& body) { return Answer("200 OK", body); }

}  // namespace vantel_test
