#pragma once
// Our texts are GBK whatever the system's ANSI code page is: windows, menus, tips and
// message boxes are given them through the wide calls, converted from GBK, so that a system
// set to another code page shows them as they are.
#include <string>

#include "platform/code_page.h"

namespace platform {

inline std::wstring WideText(const std::string& gbk) {
  const std::u16string text = AnsiToUtf16(gbk);
  return std::wstring(text.begin(), text.end());
}

}  // namespace platform
