#pragma once
// Where the running modules live, and how the system names its sibling libraries.
#include <string>

namespace platform {

#if defined(_WIN32)
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Full path of the loaded module whose file is `moduleFileName`, or "" when none is loaded.
std::string LoadedModulePath(const std::string& moduleFileName);

// Full path of the running program.
std::string ProgramPath();

// The file name a sibling library has on this system: "Quellan" -> "Quellan.dll" on
// Windows, "libQuellan.so" on Linux.
std::string SharedLibraryFileName(const std::string& stem);

}  // namespace platform
