#include "platform/dynamic_library.h"

#include <windows.h>

namespace platform {

LibraryHandle LoadLibraryAt(const std::string& path) {
  return reinterpret_cast<LibraryHandle>(LoadLibraryA(path.c_str()));
}

void* LibraryEntry(LibraryHandle library, const char* name) {
  if (!library) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

bool FreeLibraryHandle(LibraryHandle library) {
  return library && FreeLibrary(static_cast<HMODULE>(library)) != FALSE;
}

bool SetLibrarySearchFolder(const std::string& folder) {
  return SetDllDirectoryA(folder.c_str()) != FALSE;
}

}  // namespace platform
