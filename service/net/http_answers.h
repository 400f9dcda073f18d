#pragma once
// The request loop's three answers, byte for byte as browsers and pages expect them (the
// missing blanks after two of the colons and the "OK" after 404 included).
namespace lumarin {

// Formatted with the body's length in bytes and the body.
constexpr char kOkAnswerTemplate[] =
    "HTTP/1.1 200 OK\r\nContent-Type: text/json;charset=UTF-8\r\nContent-Length: %d\r\n"
    "Access-Control-Allow-Credentials:true\r\nAccess-Control-Allow-Origin:*\r\n"
    "Access-Control-Allow-Private-Network: true\r\n\r\n%s";
constexpr char kEmptyOkAnswer[] =
    "HTTP/1.1 200 OK\r\nContent-Type: text/json;charset=UTF-8\r\nContent-Length: 0\r\n"
    "Access-Control-Allow-Credentials:true\r\nAccess-Control-Allow-Origin:*\r\n"
    "Access-Control-Allow-Private-Network: true\r\n\r\n";
constexpr char kNotFoundAnswer[] =
    "HTTP/1.1 404 OK\r\nContent-Type: text/json;charset=UTF-8\r\nContent-Length: 0\r\n"
    "Access-Control-Allow-Credentials:true\r\nAccess-Control-Allow-Origin:*\r\n"
    "Access-Control-Allow-Private-Network: true\r\n\r\n";

}  // namespace lumarin
