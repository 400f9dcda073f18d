#include "library/answers/json_result.h"

#include <cstdio>
#include <cstring>

#include "platform/code_page.h"

namespace vantel {
namespace {

std::string EscapedUnit(char16_t unit) {
  if (unit == u'"') return "\\\"";
  if (unit == u'\\') return "\\\\";
  char escape[8];
  std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(unit));
  return escape;
}

bool NeedsEscape(char16_t unit) { return unit == u'"' || unit == u'\\' || unit < 0x20; }

bool HasSpecialByte(const std::string& text) {
  for (unsigned char byte : text)
    if (byte == '"' || byte == '\\' || byte < 0x20) return true;
  return false;
}

}  // namespace

std::string MakeErrorResult(int flag, std::string message) {
  return "{" + NumberMember("resultFlag", flag) + "," + TextMember("errorMsg", message) + "}";
}

std::string TextMember(const char* name, const std::string& value) {
  return std::string("\"") + name + "\":\"" + value + "\"";
}

std::string NumberMember(const char* name, long long value) {
  char number[24];
  std::snprintf(number, sizeof number, "%lld", value);
  return std::string("\"") + name + "\":" + number;
}

std::string EscapeJsonText(const std::string& ansi) {
  // Without a '"', '\' or control byte no character can need an escape: two-byte characters
  // never convert to ASCII, and the conversion drops a lone lead byte before the closing
  // quote as it does at the end of the field alone.
  if (!HasSpecialByte(ansi)) return ansi;
  // Otherwise the code page's own conversion finds the character boundaries.
  const std::u16string text = platform::AnsiToUtf16(ansi);
  std::string escaped;
  std::u16string run;
  for (char16_t unit : text) {
    if (!NeedsEscape(unit)) {
      run.push_back(unit);
      continue;
    }
    escaped += platform::Utf16ToAnsi(run) + EscapedUnit(unit);
    run.clear();
  }
  return escaped + platform::Utf16ToAnsi(run);
}

void CopyAnswer(const std::string& answer, char* out) {
  if (out) std::memcpy(out, answer.data(), answer.size());
}

}  // namespace vantel
