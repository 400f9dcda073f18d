// Loads the probe library beside this program and calls its entries by every listed name.
#include <gtest/gtest.h>

#include <string>

#include "library/exports/stdcall.h"
#include "platform/dynamic_library.h"
#include "platform/module_paths.h"
#if defined(_WIN32)
#include "probe_library.h"
#endif

namespace {

std::string ProbeLibraryPath() {
  std::string program = platform::ProgramPath();
  return program.substr(0, program.rfind(platform::kPathSeparator) + 1) + PROBE_LIBRARY_FILE_NAME;
}

using TwoArguments = int(VANTEL_STDCALL*)(int, int);
using OneArgument = int(VANTEL_STDCALL*)(int);
using NoArgument = int (*)();

class ExportProbe : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library_) << ProbeLibraryPath(); }
  void TearDown() override { platform::FreeLibraryHandle(library_); }

  template <typename Entry>
  Entry Find(const char* name) {
    return reinterpret_cast<Entry>(platform::LibraryEntry(library_, name));
  }

  platform::LibraryHandle library_ = platform::LoadLibraryAt(ProbeLibraryPath());
};

TEST_F(ExportProbe, BothFormsAnswerUnderTheirNames) {
  auto plain = Find<TwoArguments>("ProbeAdd");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain(2, 3), 5);
#if defined(_WIN32)
  auto decorated = Find<TwoArguments>("_ProbeAdd@8");
  ASSERT_TRUE(decorated);
  EXPECT_EQ(decorated, plain);
  EXPECT_EQ(decorated(40, 2), 42);
#endif
}

TEST_F(ExportProbe, DecoratedOnlyAndPlainOnlyEntries) {
#if defined(_WIN32)
  auto twice = Find<OneArgument>("_ProbeTwice@4");
  ASSERT_TRUE(twice);
  EXPECT_EQ(twice(21), 42);
  EXPECT_FALSE(Find<OneArgument>("ProbeTwice"));
  EXPECT_FALSE(Find<NoArgument>("_ProbeSeven@0"));
#else
  // Linux has no decorated names: the entry stands under its plain name.
  auto twice = Find<OneArgument>("ProbeTwice");
  ASSERT_TRUE(twice);
  EXPECT_EQ(twice(21), 42);
#endif
  auto seven = Find<NoArgument>("ProbeSeven");
  ASSERT_TRUE(seven);
  EXPECT_EQ(seven(), 7);
}

TEST_F(ExportProbe, UnlistedFunctionsStayHidden) {
  EXPECT_FALSE(Find<NoArgument>("ProbeUnlisted"));
}

#if defined(_WIN32)
// Linked with the import library, which imports by the decorated name.
TEST(ExportProbeImport, ImportLibraryReachesTheEntry) { EXPECT_EQ(ProbeAdd(20, 22), 42); }
#endif

}  // namespace
