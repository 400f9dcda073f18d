#include "platform/files.h"

#include <windows.h>
#include <shlwapi.h>

#include <vector>

namespace platform {

bool PathExists(const std::string& path) {
  return !path.empty() && PathFileExistsA(path.c_str()) != FALSE;
}

bool CreateFolder(const std::string& path) { return CreateDirectoryA(path.c_str(), nullptr) != FALSE; }

void SetNormalAttributes(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

std::string EnvironmentVariable(const std::string& name) {
  DWORD needed = GetEnvironmentVariableA(name.c_str(), nullptr, 0);
  if (needed == 0) return std::string();
  std::vector<char> value(needed);
  DWORD length = GetEnvironmentVariableA(name.c_str(), value.data(), needed);
  if (length == 0 || length >= needed) return std::string();
  return std::string(value.data(), length);
}

std::string TempFolderPath() {
  char folder[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(sizeof folder, folder);
  return length == 0 || length > MAX_PATH ? std::string() : std::string(folder, length);
}

bool CopyFileReplacing(const std::string& from, const std::string& to) {
  return CopyFileA(from.c_str(), to.c_str(), FALSE) != FALSE;
}

bool MoveFileNoReplace(const std::string& from, const std::string& to) {
  return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

}  // namespace platform
