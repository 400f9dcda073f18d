#include "library/device/library_setup.h"

#include "library/device/device_state.h"
#include "platform/dynamic_library.h"
#include "platform/ini_file.h"
#include "platform/module_paths.h"

namespace vantel {
namespace {

std::string& SetUpFolder() {
  static std::string folder;
  return folder;
}

std::string FolderOf(const std::string& path) {
  std::size_t last = path.rfind(platform::kPathSeparator);
  return last == std::string::npos ? std::string() : path.substr(0, last);
}

void LoadCardImageLibrary(const std::string& folder) {
  DeviceState& device = Device();
  std::string path =
      folder + platform::kPathSeparator + platform::SharedLibraryFileName(kCardImageLibraryStem);
  device.gQuellanModule = platform::LoadLibraryAt(path);
  device.SaveCardAllJPG = reinterpret_cast<SaveCardAllJpgEntry>(
      platform::LibraryEntry(device.gQuellanModule, kResidentCardImages.allJpg));
  device.SaveCard2JPG = reinterpret_cast<SaveCard2JpgEntry>(
      platform::LibraryEntry(device.gQuellanModule, kResidentCardImages.twoJpg));
}

void ReadLogSwitch(const std::string& folder) {
  std::string ini = folder + platform::kPathSeparator + "kestor.ini";
  if (platform::ReadIniString(ini, "Set", "Log", "0", 16) == "1") Device().gLogOn = 1;
}

}  // namespace

std::string FindLibraryFolder() {
  std::string path = platform::LoadedModulePath(platform::SharedLibraryFileName("Pelvorin"));
  if (path.empty()) path = platform::ProgramPath();
  return FolderOf(path);
}

std::string LibraryFolder() {
  return SetUpFolder().empty() ? FindLibraryFolder() : SetUpFolder();
}

void SetUpLibraryIn(const std::string& folder) {
  SetUpFolder() = folder;
  LoadCardImageLibrary(folder);
  ReadLogSwitch(folder);
  platform::SetLibrarySearchFolder(folder);
}

void RunLoadTimeSetup() { SetUpLibraryIn(FindLibraryFolder()); }

}  // namespace vantel
