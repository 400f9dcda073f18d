// The photo and card-image files of a read, in folders of the test's own.
#include "service/api/photo_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/files.h"
#include "platform/module_paths.h"
#include "support/id_card_writer.h"
#include "support/temp_folder.h"

namespace {

std::string FileText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

TEST(CardFilePath, OneSeparatorBetweenFolderAndNameTheTemporaryFolderWithout) {
  const std::string separator(1, platform::kPathSeparator);
  EXPECT_EQ(lumarin::CardFilePath("folder", "photo.wlt"), "folder" + separator + "photo.wlt");
  EXPECT_EQ(lumarin::CardFilePath("folder\\", "photo.wlt"), "folder\\photo.wlt");
  EXPECT_EQ(lumarin::CardFilePath("folder/", "photo.wlt"), "folder/photo.wlt");
  EXPECT_EQ(lumarin::CardFilePath(nullptr, "photo.jpg"), platform::TempFolderPath() + "photo.jpg");
  EXPECT_EQ(lumarin::CardFilePath("", "photo.jpg"), platform::TempFolderPath() + "photo.jpg");
}

TEST(WritePhotoFiles, DecodesToBitmapAndJpegOrWritesThePhotoAlone) {
  const vantel_test::Bytes& photo = vantel_test::PortraitPhoto();
  const vantel_test::Bytes garbage(1024, 0x00);
  struct Row {
    const char* what;
    const vantel_test::Bytes* wlt;
    bool decode;
    int result;
    bool bitmap;
  };
  const Row rows[] = {
      {"decoded", &photo, true, 0, true},
      {"not decoded", &photo, false, 0, false},
      {"undecodable", &garbage, true, -4, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    vantel_test::TempFolder folder;
    const std::string path = folder.path().string();
    EXPECT_EQ(lumarin::WritePhotoFiles(path.c_str(), row.wlt->data(),
                                       static_cast<int>(row.wlt->size()), row.decode, true),
              row.result);
    EXPECT_EQ(FileText(folder.path() / "photo.wlt"), std::string(row.wlt->begin(), row.wlt->end()));
    EXPECT_EQ(std::filesystem::exists(folder.path() / "photo.bmp"), row.bitmap);
    EXPECT_EQ(std::filesystem::exists(folder.path() / "photo.jpg"), row.bitmap);
  }
}

TEST(MakeCardImages, CreatesTheFolderAndHasTheLibraryBesideTheReaderLibraryDrawTheImages) {
  vantel_test::TempFolder temp;
  const std::filesystem::path folder = temp.path() / "a" / "b";
  const vantel_test::Bytes text = vantel_test::ResidentText({});
  const vantel_test::Bytes& photo = vantel_test::PortraitPhoto();
  EXPECT_EQ(lumarin::MakeCardImages(folder.string().c_str(), text.data(), 256, photo.data(), 1024,
                                    true, true),
            0);
  for (const char* name : {"photo.wlt", "photo.bmp", "photo.jpg", "card.jpg", "1.jpg", "2.jpg"})
    EXPECT_TRUE(std::filesystem::exists(folder / name)) << name;
  const std::string libraryPath =
      platform::LoadedModulePath(platform::SharedLibraryFileName("vantel"));
  const std::string morvik = libraryPath.substr(0, libraryPath.rfind(platform::kPathSeparator) + 1) +
                             platform::SharedLibraryFileName("Morvik");
  const std::string separator(1, platform::kPathSeparator);
  const std::string images = folder.string() + separator;
  EXPECT_EQ(FileText(folder / "quellan.log"),
            "SaveCardAllJPG text=256 photo=1024 both=" + images + "card.jpg morvik=" + morvik +
                "\nSaveCard2JPG text=256 photo=1024 front=" + images + "1.jpg back=" + images +
                "2.jpg morvik=" + morvik + "\n");

  // Neither image asked for: the photo files still come, and the library is loaded.
  const std::filesystem::path plain = temp.path() / "plain";
  EXPECT_EQ(lumarin::MakeCardImages(plain.string().c_str(), text.data(), 256, photo.data(), 1024,
                                    false, false),
            0);
  EXPECT_TRUE(std::filesystem::exists(plain / "photo.jpg"));
  EXPECT_FALSE(std::filesystem::exists(plain / "quellan.log"));
}

}  // namespace
