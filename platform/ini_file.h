#pragma once
// Reading ini files the way the Windows profile functions do: sections and keys match
// without regard to case, blanks around names and values are dropped, and a missing
// file, section or key gives the default.
#include <cstddef>
#include <string>

namespace platform {

// The value (or the default), cut to `capacity` - 1 characters as a buffer of that size
// would hold it.
std::string ReadIniString(const std::string& iniPath, const std::string& section,
                          const std::string& key, const std::string& defaultValue,
                          std::size_t capacity);

// The value's leading decimal digits as a number; the default when the key is missing.
int ReadIniInt(const std::string& iniPath, const std::string& section, const std::string& key,
               int defaultValue);

}  // namespace platform
