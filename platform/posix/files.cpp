#include "platform/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
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

bool CopyFileReplacing(const std::string& from, const std::string& to) {
  std::FILE* in = std::fopen(from.c_str(), "rb");
  if (!in) return false;
  std::FILE* out = std::fopen(to.c_str(), "wb");
  bool copied = out != nullptr;
  char buffer[4096];
  std::size_t got = 0;
  while (copied && (got = std::fread(buffer, 1, sizeof buffer, in)) > 0)
    copied = std::fwrite(buffer, 1, got, out) == got;
  copied = copied && !std::ferror(in);
  std::fclose(in);
  if (out && std::fclose(out) != 0) copied = false;
  return copied;
}

// rename() would replace `to`: a new link fails when the name is taken.
bool MoveFileNoReplace(const std::string& from, const std::string& to) {
  if (link(from.c_str(), to.c_str()) != 0) return false;
  unlink(from.c_str());
  return true;
}

}  // namespace platform
