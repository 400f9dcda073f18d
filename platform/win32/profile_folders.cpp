#include "platform/profile_folders.h"

#include <windows.h>

namespace platform {

// Read into a MAX_PATH buffer as the system's own tools do; a longer value reads as none.
std::string AllUsersProfileFolder() {
  char buffer[MAX_PATH] = {};
  DWORD length = GetEnvironmentVariableA("ALLUSERSPROFILE", buffer, MAX_PATH);
  return length < MAX_PATH ? std::string(buffer, length) : std::string();
}

}  // namespace platform
