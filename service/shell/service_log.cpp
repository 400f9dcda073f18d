#include "service/shell/service_log.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/ini_file.h"
#include "platform/module_paths.h"

namespace lumarin {

int gServiceLogOn = 0;

namespace {

constexpr char kSwitchFileName[] = "kestor.ini";
constexpr char kLogFileName[] = "server_debug.log";
// The switch is read as into a 16-byte buffer.
constexpr std::size_t kSwitchCapacity = 16;
constexpr std::size_t kMessageCapacity = 256;

std::string ProgramFolderFile(const std::string& fileName) {
  const std::string program = platform::ProgramPath();
  const std::size_t separator = program.find_last_of("\\/");
  return program.substr(0, separator == std::string::npos ? 0 : separator + 1) + fileName;
}

}  // namespace

void InitServiceLog() {
  const std::string value = platform::ReadIniString(ProgramFolderFile(kSwitchFileName), "Set",
                                                    "Log", "0", kSwitchCapacity);
  if (value == "1") gServiceLogOn = 1;
}

void WriteServiceLog(const char* message) {
  if (gServiceLogOn != 1) return;
  const std::string folder = platform::TempFolderPath();
  if (folder.empty()) return;
  std::FILE* file = std::fopen((folder + kLogFileName).c_str(), "a+");
  if (!file) return;
  const platform::LocalTime now = platform::LocalTimeNow();
  std::fprintf(file, "%4d-%d-%d %d:%d:%d: %s\n", now.year, now.month, now.day, now.hour,
               now.minute, now.second, message);
  std::fclose(file);
}

void ServiceLogf(const char* format, ...) {
  if (gServiceLogOn != 1) return;
  char message[kMessageCapacity];
  std::va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(message, sizeof message, format, arguments);
  va_end(arguments);
  WriteServiceLog(message);
}

}  // namespace lumarin
