#include "platform/code_page.h"

#include <iconv.h>

#include <cerrno>
#include <vector>

namespace platform {
namespace {

// Converts with iconv, skipping input that the source encoding does not allow.
std::string Convert(const char* to, const char* from, const char* data, size_t length,
                    size_t unit) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::string();
  std::string result;
  std::vector<char> out(4 * length + 16);
  char* in = const_cast<char*>(data);
  size_t inLeft = length;
  while (inLeft > 0) {
    char* outPtr = out.data();
    size_t outLeft = out.size();
    size_t done = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    result.append(out.data(), out.size() - outLeft);
    if (done != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL: drop one unit of the source and go on.
    size_t skip = inLeft < unit ? inLeft : unit;
    in += skip;
    inLeft -= skip;
  }
  iconv_close(converter);
  return result;
}

std::u16string ToU16(const std::string& bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    text[i] = static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                    (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
  }
  return text;
}

std::string FromU16(std::u16string_view text) {
  std::string bytes(text.size() * 2, '\0');
  for (size_t i = 0; i < text.size(); ++i) {
    bytes[2 * i] = static_cast<char>(text[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<char>(text[i] >> 8);
  }
  return bytes;
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view ansi) {
  return ToU16(Convert("UTF-16LE", "GBK", ansi.data(), ansi.size(), 1));
}

std::string Utf16ToAnsi(std::u16string_view text) {
  std::string bytes = FromU16(text);
  return Convert("GBK", "UTF-16LE", bytes.data(), bytes.size(), 2);
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string bytes = FromU16(text);
  return Convert("UTF-8", "UTF-16LE", bytes.data(), bytes.size(), 2);
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  return ToU16(Convert("UTF-16LE", "UTF-8", utf8.data(), utf8.size(), 1));
}

}  // namespace platform
