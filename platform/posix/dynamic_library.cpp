#include "platform/dynamic_library.h"

#include <dlfcn.h>

namespace platform {

LibraryHandle LoadLibraryAt(const std::string& path) {
  return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* LibraryEntry(LibraryHandle library, const char* name) {
  return library ? dlsym(library, name) : nullptr;
}

bool FreeLibraryHandle(LibraryHandle library) { return library && dlclose(library) == 0; }

// Linux has no per-process library folder; sibling libraries are always loaded by full
// path, so there is nothing to change.
bool SetLibrarySearchFolder(const std::string&) { return true; }

}  // namespace platform
