#include "library/cards/simple/photo_steps.h"

#include <cstdio>

#include "library/cards/debug_log.h"
#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "library/device/text_conversions.h"
#include "platform/clock.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/module_paths.h"

namespace vantel {
namespace {

constexpr std::uint32_t kPauseAfterWltMs = 50;
using MorvikEntry = int(VANTEL_STDCALL*)(const char* photoPath);

std::string InLibraryFolder(const char* stem) {
  return LibraryFolder() + platform::kPathSeparator + platform::SharedLibraryFileName(stem);
}

bool EndsWithSeparator(const std::string& folder) {
  return folder.back() == platform::kPathSeparator || folder.back() == '/';
}

}  // namespace

std::string PhotoFolder(FolderRule rule, const char* folder) {
  if (rule == FolderRule::kLibrary) return LibraryFolder() + platform::kPathSeparator;
  if (folder && *folder) {
    // A folder that cannot be made shows at the file's creation.
    EnsureDirectory(folder);
    std::string prefix = folder;
    if (!EndsWithSeparator(prefix)) prefix += platform::kPathSeparator;
    return prefix;
  }
  return rule == FolderRule::kCallerOrTemp ? platform::TempFolderPath() : std::string();
}

std::string MorvikLibraryPath() { return InLibraryFolder("Morvik"); }
std::string CardImageLibraryPath() { return InLibraryFolder(kCardImageLibraryStem); }

int WritePhotoWlt(const std::string& path, const unsigned char* photo, unsigned length) {
  std::FILE* file = std::fopen(path.c_str(), "wb+");
  if (!file) return kStepNotCreated;
  const bool whole = std::fwrite(photo, 1, length, file) == length;
  if (std::fclose(file) != 0 || !whole) return kStepShortWrite;
  platform::SleepMs(kPauseAfterWltMs);
  return kStepDone;
}

int DecodeWithMorvik(const std::string& wltPath) {
  platform::LibraryHandle library = platform::LoadLibraryAt(MorvikLibraryPath());
  if (!library) return kStepNotLoaded;
  auto entry = reinterpret_cast<MorvikEntry>(platform::LibraryEntry(library, "Morvik"));
  const int result = !entry                        ? kStepEntryMissing
                     : entry(wltPath.c_str()) == 1 ? kStepDone
                                                   : kStepFailed;
  platform::FreeLibraryHandle(library);
  return result;
}

int MakeCardImages(void* library, const CardImageEntryNames& names, const CardMessage& message,
                   const std::string& folder, const CardImageLogs& logs) {
  DeviceState& device = Device();
  const std::string morvik = MorvikLibraryPath();
  const auto textLength = static_cast<int>(message.textLength);
  const auto photoLength = static_cast<int>(message.photoLength);
  device.SaveCardAllJPG =
      reinterpret_cast<SaveCardAllJpgEntry>(platform::LibraryEntry(library, names.allJpg));
  if (!device.SaveCardAllJPG) {
    if (logs.firstMissing) WriteDebugLog(logs.firstMissing);
    return kStepFailed;
  }
  if (logs.beforeFirstCall) WriteDebugLog(logs.beforeFirstCall);
  const std::string card = folder + "card.jpg";
  if (device.SaveCardAllJPG(message.text, textLength, message.photo, photoLength, card.c_str(),
                            morvik.c_str()) != 1) {
    device.SaveCardAllJPG = nullptr;
    return kStepImageRefused;
  }
  return MakeFrontAndBack(library, names.twoJpg, message, folder);
}

int MakeFrontAndBack(void* library, const char* entryName, const CardMessage& message,
                     const std::string& folder) {
  DeviceState& device = Device();
  device.SaveCard2JPG =
      reinterpret_cast<SaveCard2JpgEntry>(platform::LibraryEntry(library, entryName));
  if (!device.SaveCard2JPG) return kStepFailed;
  const std::string front = folder + "1.jpg";
  const std::string back = folder + "2.jpg";
  if (device.SaveCard2JPG(message.text, static_cast<int>(message.textLength), message.photo,
                          static_cast<int>(message.photoLength), front.c_str(), back.c_str(),
                          MorvikLibraryPath().c_str()) != 1) {
    device.SaveCard2JPG = nullptr;
    return kStepImageRefused;
  }
  return kStepDone;
}

}  // namespace vantel
