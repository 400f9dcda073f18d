#pragma once
// The built reader library, loaded for a test as a program loads it.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "library/exports/stdcall.h"
#include "platform/dynamic_library.h"

namespace vantel_test {

// A path of the build as the test program sees it: under wine the Linux folders are drive Z:.
inline std::string BuildPath(std::string path) {
#if defined(_WIN32)
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
#endif
  return path;
}

inline std::string LibraryPath() { return BuildPath(VANTEL_LIBRARY_FILE); }

class ExportsLibrary : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library_) << LibraryPath(); }
  void TearDown() override { platform::FreeLibraryHandle(library_); }

  template <typename Entry>
  Entry Find(const char* name) {
    return reinterpret_cast<Entry>(platform::LibraryEntry(library_, name));
  }

  platform::LibraryHandle library_ = platform::LoadLibraryAt(LibraryPath());
};

}  // namespace vantel_test
