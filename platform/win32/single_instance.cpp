#include "platform/single_instance.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace platform {

bool ClaimSingleInstance(const std::string& title) {
  return FindWindowW(nullptr, WideText(title).c_str()) == nullptr;
}

}  // namespace platform
