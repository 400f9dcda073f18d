#include "platform/single_instance.h"

#include <windows.h>

namespace platform {

bool ClaimSingleInstance(const std::string& title) {
  return FindWindowA(nullptr, title.c_str()) == nullptr;
}

}  // namespace platform
