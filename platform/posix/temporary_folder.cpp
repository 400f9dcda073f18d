#include "platform/temporary_folder.h"

#include <cstdlib>

namespace platform {

std::string TemporaryFolder() {
  const char* variable = std::getenv("TMPDIR");
  std::string folder = variable && *variable ? variable : "/tmp/";
  if (folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace platform
