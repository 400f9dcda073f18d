#include "library/cards/debug_log.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "library/device/device_state.h"
#include "support/environment.h"
#include "support/temp_folder.h"

namespace vantel {
namespace {

// One profile folder for the whole program: the log keeps the folder of its first line.
const vantel_test::TempFolder& ProfileFolder() {
  static vantel_test::TempFolder folder;
  return folder;
}

std::filesystem::path LogFile() { return ProfileFolder().path() / "DOVR_SDK" / "debugTarn.log"; }

std::vector<std::string> LogLines() {
  std::ifstream file(LogFile());
  std::vector<std::string> lines;
  for (std::string line; std::getline(file, line);) lines.push_back(line);
  return lines;
}

class DebugLog : public ::testing::Test {
 protected:
  void SetUp() override {
    vantel_test::SetEnvironment("ALLUSERSPROFILE", ProfileFolder().path().string());
    std::error_code ignored;
    std::filesystem::remove(LogFile(), ignored);
  }
  void TearDown() override { Device().gLogOn = 0; }
};

TEST_F(DebugLog, SwitchedOffItTouchesNothing) {
  Device().gLogOn = 0;
  DebugLogf("ZRT_ReadBaseMsg iPortID=%d, iIfOpen=%d", 1001, 0);
  WriteDebugLog("plain");
  EXPECT_FALSE(std::filesystem::exists(LogFile()));
}

TEST_F(DebugLog, LinesOfOneSecondAllAppearInCallOrderWithTheirTime) {
  Device().gLogOn = 1;
  DebugLogf("ZRT_ReadBaseMsg iPortID=%d, iIfOpen=%d", 1001, 0);
  WriteDebugLog("second");
  std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 2u);
  const std::regex stamp(R"(\d{4}-[1-9]\d?-[1-9]\d? \d{1,2}:\d{1,2}:\d{1,2}: (.*))");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(lines[0], match, stamp)) << lines[0];
  EXPECT_EQ(match[1], "ZRT_ReadBaseMsg iPortID=1001, iIfOpen=0");
  ASSERT_TRUE(std::regex_match(lines[1], match, stamp)) << lines[1];
  EXPECT_EQ(match[1], "second");
}

TEST_F(DebugLog, LongMessagesAreCutTo1023Characters) {
  Device().gLogOn = 1;
  const std::string longText(3000, 'x');
  DebugLogf("%s", longText.c_str());
  std::vector<std::string> lines = LogLines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(lines[0].find(": ") + 2), std::string(1023, 'x'));
}

TEST_F(DebugLog, ALogFileThatCannotBeOpenedDropsTheLineSilently) {
  Device().gLogOn = 1;
  WriteDebugLog("first");  // makes sure the folder has been built
  vantel_test::SetEnvironment("ALLUSERSPROFILE", (ProfileFolder().path() / "missing").string());
  WriteDebugLog("dropped");
  EXPECT_EQ(LogLines().size(), 1u);
}

}  // namespace
}  // namespace vantel
