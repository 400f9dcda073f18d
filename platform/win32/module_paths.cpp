#include "platform/module_paths.h"

#include <windows.h>

#include <vector>

namespace platform {
namespace {

// The longest path Windows can name (with the "\\?\" form).
constexpr DWORD kLongestPath = 32768;

// The module's full path however long it is: a buffer that GetModuleFileNameA fills to the
// brim was too small, so it grows instead of cutting the path.
std::string ModuleFileName(HMODULE module) {
  for (DWORD size = MAX_PATH; size <= kLongestPath; size *= 2) {
    std::vector<char> buffer(size);
    DWORD length = GetModuleFileNameA(module, buffer.data(), size);
    if (length == 0) return std::string();
    if (length < size) return std::string(buffer.data(), length);
  }
  return std::string();
}

}  // namespace

std::string LoadedModulePath(const std::string& moduleFileName) {
  HMODULE module = GetModuleHandleA(moduleFileName.c_str());
  return module ? ModuleFileName(module) : std::string();
}

std::string ProgramPath() { return ModuleFileName(nullptr); }

std::string SharedLibraryFileName(const std::string& stem) { return stem + ".dll"; }

}  // namespace platform
