#include "platform/files.h"

#include <sys/stat.h>

#include <cstdlib>

namespace platform {

bool PathExists(const std::string& path) {
  struct stat info;
  return !path.empty() && stat(path.c_str(), &info) == 0;
}

bool CreateFolder(const std::string& path) { return mkdir(path.c_str(), 0777) == 0; }

// Linux files carry no read-only or hidden flags of that kind: nothing to clear.
void SetNormalAttributes(const std::string&) {}

std::string EnvironmentVariable(const std::string& name) {
  const char* value = std::getenv(name.c_str());
  return value ? value : "";
}

std::string TempFolderPath() {
  std::string folder = EnvironmentVariable("TMPDIR");
  if (folder.empty()) return "/tmp/";
  if (folder.back() != '/') folder += '/';
  return folder;
}

}  // namespace platform
