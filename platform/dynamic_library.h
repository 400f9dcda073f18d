#pragma once
// Loading sibling libraries by full path and finding their entries.
#include <string>

namespace platform {

using LibraryHandle = void*;

// Null when the library cannot be loaded.
LibraryHandle LoadLibraryAt(const std::string& path);
// Null when the library has no such entry.
void* LibraryEntry(LibraryHandle library, const char* name);
// True when a loaded library was released.
bool FreeLibraryHandle(LibraryHandle library);
// Makes `folder` the place where later library loads by bare name look first.
bool SetLibrarySearchFolder(const std::string& folder);

}  // namespace platform
