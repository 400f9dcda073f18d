#pragma once
// Conversions between the ANSI code page (GBK), UTF-16 and UTF-8.
#include <string>
#include <string_view>

namespace platform {

// Bytes that are not valid in the source encoding are dropped.
std::u16string AnsiToUtf16(std::string_view ansi);
std::string Utf16ToAnsi(std::u16string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view utf8);

}  // namespace platform
