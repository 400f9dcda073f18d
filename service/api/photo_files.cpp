#include "service/api/photo_files.h"

#include <cstdio>

#include "library/cards/card_images.h"
#include "library/cards/jpeg/jpeg_converter.h"
#include "library/device/text_conversions.h"
#include "library/exports/photo_exports.h"
#include "platform/clock.h"
#include "platform/dynamic_library.h"
#include "platform/files.h"
#include "platform/module_paths.h"

namespace lumarin {
namespace {

constexpr int kCannotUse = -4;
// The decoder may still see a file being closed without it.
constexpr unsigned kPauseBeforeDecodeMs = 50;

bool EndsInSeparator(const std::string& folder) {
  return !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
}

// The folder of the loaded reader library, where its siblings lie.
std::string ReaderLibraryFolder() {
  const std::string path = platform::LoadedModulePath(platform::SharedLibraryFileName("vantel"));
  const std::size_t separator = path.rfind(platform::kPathSeparator);
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

std::string SiblingPath(const std::string& folder, const char* stem) {
  return folder + platform::kPathSeparator + platform::SharedLibraryFileName(stem);
}

template <typename Entry>
Entry FindEntry(platform::LibraryHandle library, const char* name) {
  return reinterpret_cast<Entry>(platform::LibraryEntry(library, name));
}

}  // namespace

std::string CardFilePath(const char* folder, const char* fileName) {
  std::string path = folder && *folder ? folder : platform::TempFolderPath();
  if (!EndsInSeparator(path)) path += platform::kPathSeparator;
  return path + fileName;
}

int WritePhotoFiles(const char* folder, const unsigned char* wlt, int wltLen, bool decode,
                    bool toJpeg) {
  const std::string wltPath = CardFilePath(folder, "photo.wlt");
  std::FILE* file = std::fopen(wltPath.c_str(), "wb+");
  if (!file) return 0;
  const std::size_t length = wltLen > 0 ? static_cast<std::size_t>(wltLen) : 0;
  const bool written = std::fwrite(wlt, 1, length, file) == length;
  std::fclose(file);
  if (!written) return 0;
  platform::SleepMs(kPauseBeforeDecodeMs);
  if (!decode) return 0;
  if (Morvik(wltPath.c_str()) != 1) return kCannotUse;
  if (toJpeg)
    vantel::ConvertToJpeg(CardFilePath(folder, "photo.bmp").c_str(),
                          CardFilePath(folder, "photo.jpg").c_str());
  return 0;
}

int MakeCardImages(const char* folder, const unsigned char* text, int textLen,
                   const unsigned char* wlt, int wltLen, bool allImage, bool twoImages) {
  if (folder && *folder && !platform::PathExists(folder)) vantel::EnsureDirectory(folder);
  WritePhotoFiles(folder, wlt, wltLen, true, true);
  vantel::ConvertToJpeg(CardFilePath(folder, "photo.bmp").c_str(),
                        CardFilePath(folder, "photo.jpg").c_str());

  const std::string libraryFolder = ReaderLibraryFolder();
  const std::string morvik = SiblingPath(libraryFolder, "Morvik");
  platform::LibraryHandle library =
      platform::LoadLibraryAt(SiblingPath(libraryFolder, vantel::kCardImageLibraryStem));
  if (!library) return kCannotUse;
  if (allImage) {
    auto saveAll = FindEntry<vantel::SaveCardAllJpgEntry>(library, vantel::kResidentCardImages.allJpg);
    if (!saveAll) {
      platform::FreeLibraryHandle(library);
      return kCannotUse;
    }
    if (saveAll(text, textLen, wlt, wltLen, CardFilePath(folder, "card.jpg").c_str(),
                morvik.c_str()) == 0) {
      platform::FreeLibraryHandle(library);
      library = nullptr;
    }
  }
  if (twoImages) {
    if (!library) return kCannotUse;
    auto saveTwo = FindEntry<vantel::SaveCard2JpgEntry>(library, vantel::kResidentCardImages.twoJpg);
    if (!saveTwo) {
      platform::FreeLibraryHandle(library);
      return kCannotUse;
    }
    if (saveTwo(text, textLen, wlt, wltLen, CardFilePath(folder, "1.jpg").c_str(),
                CardFilePath(folder, "2.jpg").c_str(), morvik.c_str()) == 0)
      platform::FreeLibraryHandle(library);
  }
  return 0;
}

}  // namespace lumarin
