#include "platform/module_paths.h"

#include <link.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <vector>

namespace platform {
namespace {

struct ModuleSearch {
  const std::string* fileName;
  std::string path;
};

int VisitModule(dl_phdr_info* info, size_t, void* data) {
  auto* search = static_cast<ModuleSearch*>(data);
  if (!info->dlpi_name || !*info->dlpi_name) return 0;
  const char* slash = std::strrchr(info->dlpi_name, '/');
  const char* base = slash ? slash + 1 : info->dlpi_name;
  if (*search->fileName != base) return 0;
  char resolved[PATH_MAX];
  search->path = realpath(info->dlpi_name, resolved) ? resolved : info->dlpi_name;
  return 1;
}

}  // namespace

std::string LoadedModulePath(const std::string& moduleFileName) {
  ModuleSearch search{&moduleFileName, {}};
  dl_iterate_phdr(VisitModule, &search);
  return search.path;
}

std::string ProgramPath() {
  std::vector<char> buffer(PATH_MAX + 1);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (length <= 0) return std::string();
  return std::string(buffer.data(), static_cast<size_t>(length));
}

std::string SharedLibraryFileName(const std::string& stem) { return "lib" + stem + ".so"; }

}  // namespace platform
