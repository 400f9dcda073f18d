#include "library/cards/debug_log.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <string>

#include "library/device/device_state.h"
#include "platform/files.h"
#include "platform/module_paths.h"
#include "platform/profile_folders.h"

namespace vantel {
namespace {

constexpr std::size_t kMessageBufferSize = 1024;
constexpr char kLogFolderName[] = "DOVR_SDK";
constexpr char kLogFileName[] = "debugTarn.log";

std::string LogFolderUnder(const std::string& profileFolder) {
  return profileFolder + platform::kPathSeparator + kLogFolderName;
}

// Built and created on the first line, and kept for the life of the process.
void EnsureLogFolder() {
  static std::string folder;
  if (!folder.empty()) return;
  folder = LogFolderUnder(platform::AllUsersProfileFolder());
  platform::CreateFolder(folder);
}

}  // namespace

void WriteDebugLog(const char* message) {
  if (Device().gLogOn != 1) return;
  EnsureLogFolder();
  // The file path follows the profile folder as it is now, not as it was at the first line.
  const std::string path = LogFolderUnder(platform::AllUsersProfileFolder()) +
                           platform::kPathSeparator + kLogFileName;
  std::FILE* file = std::fopen(path.c_str(), "a+");
  if (!file) return;
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  std::fprintf(file, "%4d-%d-%d %d:%d:%d: %s\n", local->tm_year + 1900, local->tm_mon + 1,
               local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec, message);
  std::fclose(file);
}

void DebugLogf(const char* format, ...) {
  if (Device().gLogOn != 1) return;
  char message[kMessageBufferSize];
  std::va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(message, sizeof message, format, arguments);
  va_end(arguments);
  WriteDebugLog(message);
}

}  // namespace vantel
