#include <windows.h>

#include <string>

#include "platform/win32/wide_text.h"

namespace platform {

void ShowSystemMessageBox(const std::string& text, const std::string& caption,
                          bool errorIcon) {
  MessageBoxW(nullptr, WideText(text).c_str(), WideText(caption).c_str(),
              MB_OK | (errorIcon ? MB_ICONERROR : 0));
}

}  // namespace platform
