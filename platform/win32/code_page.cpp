#include "platform/code_page.h"

#include <windows.h>

namespace platform {
namespace {

// Our texts are GBK whatever the system's ANSI code page is (the build compiles them so, and
// the cards carry it): a system set to another code page, or to UTF-8, must not decide them.
constexpr UINT kGbk = 936;

// Converts all of `bytes`, or reports false when some of them are not valid in `codePage`.
bool TryToWide(UINT codePage, std::string_view bytes, std::u16string* text) {
  text->clear();
  if (bytes.empty()) return true;
  int length = static_cast<int>(bytes.size());
  int needed = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length, nullptr, 0);
  if (needed <= 0) return false;
  text->resize(static_cast<std::size_t>(needed));
  return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), length,
                             reinterpret_cast<wchar_t*>(&(*text)[0]), needed) == needed;
}

// How many bytes the character that starts with `lead` takes at most.
std::size_t CharacterLength(UINT codePage, unsigned char lead) {
  if (codePage != CP_UTF8) return IsDBCSLeadByteEx(codePage, lead) ? 2 : 1;
  if (lead >= 0xF0) return 4;
  if (lead >= 0xE0) return 3;
  if (lead >= 0xC0) return 2;
  return 1;
}

// Like the Linux backend: a byte that starts no valid character is dropped.
std::u16string ToWide(UINT codePage, std::string_view bytes) {
  std::u16string text;
  if (TryToWide(codePage, bytes, &text)) return text;
  text.clear();
  std::u16string piece;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t length = CharacterLength(codePage, static_cast<unsigned char>(bytes[at]));
    if (TryToWide(codePage, bytes.substr(at, length), &piece)) {
      text += piece;
      at += length;
    } else {
      ++at;
    }
  }
  return text;
}

// Converts all of `text`, or reports false when some character has no form in `codePage`.
bool TryFromWide(UINT codePage, std::u16string_view text, std::string* bytes) {
  bytes->clear();
  if (text.empty()) return true;
  const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
  int length = static_cast<int>(text.size());
  DWORD flags = codePage == CP_UTF8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL usedDefault = FALSE;
  BOOL* usedDefaultOut = codePage == CP_UTF8 ? nullptr : &usedDefault;
  int needed = WideCharToMultiByte(codePage, flags, wide, length, nullptr, 0, nullptr, usedDefaultOut);
  if (needed <= 0 || usedDefault) return false;
  bytes->resize(static_cast<std::size_t>(needed));
  return WideCharToMultiByte(codePage, flags, wide, length, &(*bytes)[0], needed, nullptr,
                             usedDefaultOut) == needed &&
         !usedDefault;
}

// A character without a form in the target code page is dropped.
std::string FromWide(UINT codePage, std::u16string_view text) {
  std::string bytes;
  if (TryFromWide(codePage, text, &bytes)) return bytes;
  bytes.clear();
  std::string piece;
  std::size_t at = 0;
  while (at < text.size()) {
    bool pair = text[at] >= 0xD800 && text[at] < 0xDC00 && at + 1 < text.size() &&
                text[at + 1] >= 0xDC00 && text[at + 1] < 0xE000;
    std::size_t length = pair ? 2 : 1;
    if (TryFromWide(codePage, text.substr(at, length), &piece)) bytes += piece;
    at += length;
  }
  return bytes;
}

}  // namespace

std::u16string AnsiToUtf16(std::string_view ansi) { return ToWide(kGbk, ansi); }

std::string Utf16ToAnsi(std::u16string_view text) { return FromWide(kGbk, text); }

std::string Utf16ToUtf8(std::u16string_view text) { return FromWide(CP_UTF8, text); }

std::u16string Utf8ToUtf16(std::string_view utf8) { return ToWide(CP_UTF8, utf8); }

}  // namespace platform
