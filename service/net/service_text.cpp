#include "service/net/service_text.h"

#include <cstring>

#include "platform/code_page.h"

namespace lumarin {

std::vector<std::string> SplitString(const std::string& text, const std::string& delimiters) {
  std::vector<std::string> pieces;
  if (delimiters.empty()) return pieces;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(delimiters, start);
    if (end == std::string::npos) end = text.size();
    if (end > start) pieces.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return pieces;
}

std::string& TrimSpaces(std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    text.clear();
    return text;
  }
  text.erase(text.find_last_not_of(' ') + 1);
  text.erase(0, first);
  return text;
}

int AnsiToUtf8Buffer(const char* ansi, char* output, std::size_t size) {
  if (size == 0) return -1;
  const std::string utf8 = platform::Utf16ToUtf8(platform::AnsiToUtf16(ansi));
  if (utf8.size() >= size) {
    output[0] = '\0';
    return -1;
  }
  std::memcpy(output, utf8.c_str(), utf8.size() + 1);
  return 0;
}

std::string EscapeControlBytes(const std::string& text) {
  static const char kHex[] = "0123456789abcdef";
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      escaped += "\\x";
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 0xF];
    } else {
      escaped += c;
    }
  }
  return escaped;
}

}  // namespace lumarin
