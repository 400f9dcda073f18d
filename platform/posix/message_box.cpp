#include <cstdio>
#include <string>

#include "platform/code_page.h"

namespace platform {

// The texts are in the ANSI code page; the terminal reads UTF-8.
void ShowSystemMessageBox(const std::string& text, const std::string& caption,
                          bool /*errorIcon*/) {
  std::fprintf(stderr, "[%s] %s\n", Utf16ToUtf8(AnsiToUtf16(caption)).c_str(),
               Utf16ToUtf8(AnsiToUtf16(text)).c_str());
}

}  // namespace platform
