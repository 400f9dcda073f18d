#include <windows.h>

#include <string>

namespace platform {

void ShowSystemMessageBox(const std::string& text, const std::string& caption,
                          bool errorIcon) {
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | (errorIcon ? MB_ICONERROR : 0));
}

}  // namespace platform
