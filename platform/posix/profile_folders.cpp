#include "platform/profile_folders.h"

#include "platform/files.h"

namespace platform {

std::string AllUsersProfileFolder() {
  std::string folder = EnvironmentVariable("ALLUSERSPROFILE");
  return folder.empty() ? "/var/lib" : folder;
}

}  // namespace platform
