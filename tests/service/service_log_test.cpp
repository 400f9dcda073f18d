#include "service/shell/service_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "platform/files.h"
#include "platform/module_paths.h"
#include "support/environment.h"
#include "support/temp_folder.h"

namespace {

// The switch file beside the test program, as beside the service.
std::filesystem::path SwitchFile() {
  return std::filesystem::path(platform::ProgramPath()).parent_path() / "kestor.ini";
}

// Points the temporary folder elsewhere for one test, and back afterwards.
class TemporaryFolderVariable {
 public:
#if defined(_WIN32)
  static constexpr const char* kName = "TMP";
#else
  static constexpr const char* kName = "TMPDIR";
#endif
  explicit TemporaryFolderVariable(const std::string& folder)
      : previous_(platform::EnvironmentVariable(kName)) {
    vantel_test::SetEnvironment(kName, folder);
  }
  ~TemporaryFolderVariable() {
    if (previous_.empty())
      vantel_test::UnsetEnvironment(kName);
    else
      vantel_test::SetEnvironment(kName, previous_);
  }

 private:
  std::string previous_;
};

std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(ServiceLog, OnlyTheSwitchValue1WritesTimeStampedLinesCutTo255) {
  vantel_test::TempFolder folder;
  TemporaryFolderVariable useFolder(folder.path().string());
  const std::filesystem::path log = folder.path() / "server_debug.log";
  const std::string longMessage(300, 'x');

  struct Row {
    const char* switchFile;  // null: no file
    bool on;
  };
  const Row rows[] = {
      {nullptr, false},
      {"[Set]\nLog=0\n", false},
      {"[Set]\nLog=yes\n", false},
      {"[Set]\nLog=\n", false},
      {"[Other]\nLog=1\n", false},
      {"[Set]\nLog=1\n", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.switchFile ? row.switchFile : "no switch file");
    std::filesystem::remove(SwitchFile());
    if (row.switchFile) std::ofstream(SwitchFile(), std::ios::binary) << row.switchFile;
    std::filesystem::remove(log);
    lumarin::gServiceLogOn = 0;

    lumarin::InitServiceLog();
    lumarin::ServiceLogf("%s", longMessage.c_str());
    lumarin::WriteServiceLog("second");

    EXPECT_EQ(lumarin::gServiceLogOn, row.on ? 1 : 0);
    if (!row.on) {
      EXPECT_FALSE(std::filesystem::exists(log));
      continue;
    }
    // A text-mode file: Windows ends its lines in CR LF.
    const std::string stamp = R"(\d{4}-\d{1,2}-\d{1,2} \d{1,2}:\d{1,2}:\d{1,2}: )";
    const std::string end = "\r?\n";
    const std::regex expected(stamp + std::string(255, 'x') + end + stamp + "second" + end);
    const std::string written = ReadWhole(log);
    EXPECT_TRUE(std::regex_match(written, expected)) << written;
  }
  std::filesystem::remove(SwitchFile());
  lumarin::gServiceLogOn = 0;
}

TEST(ServiceLog, AnUnusableTemporaryFolderDropsTheLine) {
  vantel_test::TempFolder folder;
  const std::string missing = (folder.path() / std::string(300, 'd')).string();
  TemporaryFolderVariable useMissingFolder(missing);
  lumarin::gServiceLogOn = 1;
  lumarin::ServiceLogf("%d", 1);  // nothing to open: no crash, nothing written
  lumarin::gServiceLogOn = 0;
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

}  // namespace
