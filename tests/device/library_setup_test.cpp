#include "library/device/library_setup.h"

#include <gtest/gtest.h>

#include "library/device/device_state.h"
#include "platform/module_paths.h"
#include "support/temp_folder.h"

namespace vantel {
namespace {

class LogSwitch : public ::testing::Test {
 protected:
  void SetUp() override { Device().gLogOn = 0; }
  void TearDown() override { Device().gLogOn = 0; }
  int LogOnWith(const std::string& ini) {
    if (!ini.empty()) temp.Write("kestor.ini", ini);
    SetUpLibraryIn(temp.path().string());
    return Device().gLogOn;
  }
  vantel_test::TempFolder temp;
};

TEST_F(LogSwitch, OnlyTheValueOneTurnsItOn) {
  EXPECT_EQ(LogOnWith("[Set]\r\nLog=1\r\n"), 1);
}

TEST_F(LogSwitch, OtherValuesLeaveItOff) {
  EXPECT_EQ(LogOnWith("[Set]\nLog=01\n"), 0);
  EXPECT_EQ(LogOnWith("[Set]\nLog=2\n"), 0);
  EXPECT_EQ(LogOnWith("[Set]\nLog=\n"), 0);
  EXPECT_EQ(LogOnWith("[Other]\nLog=1\n"), 0);
}

TEST_F(LogSwitch, MissingFileOrKeyLeavesItOff) {
  EXPECT_EQ(LogOnWith(""), 0);
  EXPECT_EQ(LogOnWith("[Set]\nLevel=1\n"), 0);
}

TEST_F(LogSwitch, NamesMatchWithoutRegardToCase) {
  EXPECT_EQ(LogOnWith("[set]\n log = 1 \n"), 1);
}

TEST(LibrarySetup, MissingCardImageLibraryLeavesBothEntriesNull) {
  vantel_test::TempFolder temp;
  SetUpLibraryIn(temp.path().string());
  EXPECT_EQ(Device().gQuellanModule, nullptr);
  EXPECT_EQ(Device().SaveCardAllJPG, nullptr);
  EXPECT_EQ(Device().SaveCard2JPG, nullptr);
}

TEST(LibrarySetup, WithoutAModuleOfTheInternalNameTheProgramFolderCounts) {
  std::string program = platform::ProgramPath();
  EXPECT_EQ(FindLibraryFolder(), program.substr(0, program.rfind(platform::kPathSeparator)));
}

}  // namespace
}  // namespace vantel
