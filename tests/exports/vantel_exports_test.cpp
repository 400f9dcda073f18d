// Loads the built reader library and calls a few of its entries by every name they stand
// under.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "exports_library.h"
#include "library/device/library_setup.h"
#include "platform/module_paths.h"
#include "support/temp_folder.h"

namespace {

using vantel_test::LibraryPath;

using TwoInts = int(VANTEL_STDCALL*)(int, int);
using OneInt = int(VANTEL_STDCALL*)(int);
using NoArgument = int(VANTEL_STDCALL*)();

using VantelExports = vantel_test::ExportsLibrary;

TEST_F(VantelExports, StatusOfAPortOfNoTransportGivesOneUnderEitherName) {
  auto plain = Find<TwoInts>("ZRT_GetSAMStatus");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain(5000, 0), 1);
#if defined(_WIN32)
  auto decorated = Find<TwoInts>("_ZRT_GetSAMStatus@8");
  ASSERT_EQ(decorated, plain);
  EXPECT_EQ(decorated(5000, 0), 1);
#endif
}

TEST_F(VantelExports, TheHidCountStartsAtZero) {
  auto count = Find<NoArgument>("GetHIDCount");
  ASSERT_TRUE(count);
  EXPECT_EQ(count(), 0);
#if defined(_WIN32)
  EXPECT_EQ(Find<NoArgument>("_GetHIDCount@0"), count);
#endif
}

TEST_F(VantelExports, TheOpenRateSetterStandsOnlyUnderItsDecoratedName) {
#if defined(_WIN32)
  EXPECT_FALSE(Find<OneInt>("ZRT_SetOpenCOMBaud"));
  auto set = Find<OneInt>("_ZRT_SetOpenCOMBaud@4");
#else
  auto set = Find<OneInt>("ZRT_SetOpenCOMBaud");
#endif
  ASSERT_TRUE(set);
  EXPECT_EQ(set(57600), 0);
}

TEST_F(VantelExports, TheLedCommandStandsOnlyUnderItsDecoratedName) {
#if defined(_WIN32)
  EXPECT_FALSE(Find<TwoInts>("Kestor_LED_BEEP_Control"));
  auto led = Find<TwoInts>("_Kestor_LED_BEEP_Control@8");
#else
  auto led = Find<TwoInts>("Kestor_LED_BEEP_Control");
#endif
  ASSERT_TRUE(led);
  EXPECT_EQ(led(1, 0), -1);  // no port is open
}

// A diagnostic entry of the plain name only, whose caller cleans the stack.
TEST_F(VantelExports, TheDiagnosticEntryIsCdeclUnderItsPlainName) {
  using AnyFunction = int (*)(const char*, int*, int, int, const char*);
  auto any = Find<AnyFunction>("Kestor_Any_Function");
  ASSERT_TRUE(any);
  EXPECT_FALSE(Find<AnyFunction>("_Kestor_Any_Function@20"));
  int out = 0;
  EXPECT_EQ(any("Test", &out, 5, 'A', "x"), -1);
  EXPECT_EQ(out, 0);
}

TEST_F(VantelExports, InternalFunctionsAreNotExported) {
  EXPECT_FALSE(Find<NoArgument>("HIDEnumerate"));
  EXPECT_FALSE(Find<NoArgument>("_ZN6vantel8OpenPortEi"));
}

// A copy of the library under its internal module name makes that copy's folder the
// library's folder.
TEST(LibraryFolder, IsTheFolderOfTheModuleOfTheInternalName) {
  vantel_test::TempFolder folder;
  const std::string copy = folder.File(platform::SharedLibraryFileName("Pelvorin"));
  std::filesystem::copy_file(LibraryPath(), copy);
  platform::LibraryHandle loaded = platform::LoadLibraryAt(copy);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(std::filesystem::path(vantel::FindLibraryFolder()), folder.path());
  platform::FreeLibraryHandle(loaded);
}

}  // namespace
