#include "library/cards/string_functions.h"

#include "platform/code_page.h"

namespace vantel {

void TrimRight(std::string& text) {
  const std::size_t last = text.find_last_not_of(' ');
  text.erase(last == std::string::npos ? 0 : last + 1);
}

std::string AnsiToUtf8(const char* text) {
  if (!text) return std::string();
  return platform::Utf16ToUtf8(platform::AnsiToUtf16(text));
}

}  // namespace vantel
