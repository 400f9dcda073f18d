#pragma once
// Text helpers of the request loop, the API handlers and the WebSocket server.
#include <cstddef>
#include <string>
#include <vector>

namespace lumarin {

// The pieces between any of the `delimiters`, left to right, without empty pieces; none
// when `delimiters` is empty.
std::vector<std::string> SplitString(const std::string& text, const std::string& delimiters);

// Removes leading and trailing blanks (0x20 only) in place.
std::string& TrimSpaces(std::string& text);

// Converts a NUL-terminated ANSI text to UTF-8 into `output`, its NUL included. 0 when it
// fitted into `size` bytes; otherwise -1 and `output` holds the empty text, never a cut one.
int AnsiToUtf8Buffer(const char* ansi, char* output, std::size_t size);

// A peer's text for the console: its control bytes (below 0x20, and 0x7F) written as \xNN,
// so that a page cannot put terminal escape sequences on the operator's screen.
std::string EscapeControlBytes(const std::string& text);

}  // namespace lumarin
