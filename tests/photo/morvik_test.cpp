// The exported `Morvik` entry and its file handling.
#include "library/exports/photo_exports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "library/cards/photo/photo_file.h"
#include "library/cards/photo/wlt_decoder.h"
#include "library/cards/photo/wlt_format.h"
#include "support/photo_encoder.h"
#include "support/temp_folder.h"

#if !defined(_WIN32)
#include <dlfcn.h>
#endif

namespace vantel::photo {
namespace {

namespace enc = vantel_test::photo;
using vantel_test::TempFolder;

std::string Bytes(const std::array<std::uint8_t, 1024>& photo, std::size_t n = 1024) {
  return std::string(reinterpret_cast<const char*>(photo.data()), n);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::array<std::uint8_t, 1024>& Portrait() {
  static const std::array<std::uint8_t, 1024> photo = [] {
    const auto rgb = enc::SyntheticPortrait();
    const auto region = enc::SyntheticPortraitRegion();
    const std::uint8_t white[3] = {255, 255, 255};
    return enc::EncodeRgbPhoto(rgb, &region, 5, white).bytes;
  }();
  return photo;
}

std::string ExpectedBitmap(const std::array<std::uint8_t, 1024>& photo) {
  std::vector<std::uint8_t> bmp(kWltBitmapSize, 0);
  int length = 0;
  EXPECT_EQ(WltToBitmap(photo.data(), bmp.data(), &length), 1);
  return std::string(bmp.begin(), bmp.end());
}

TEST(Morvik, WritesPhotoBmpBesideThePhotoFile) {
  TempFolder folder;
  folder.Write("photo.wlt", Bytes(Portrait()));
  EXPECT_EQ(Morvik(folder.File("photo.wlt").c_str()), 1);
  const std::string bmp = ReadAll(folder.File("photo.bmp"));
  EXPECT_EQ(bmp.size(), 38862u);
  EXPECT_EQ(bmp, ExpectedBitmap(Portrait()));
  EXPECT_EQ(bmp.substr(0, 2), "BM");
}

TEST(Morvik, ReadsOnlyTheFirst1024Bytes) {
  TempFolder folder;
  folder.Write("card.wlt", Bytes(Portrait()) + "trailing bytes");
  EXPECT_EQ(Morvik(folder.File("card.wlt").c_str()), 1);
  EXPECT_EQ(ReadAll(folder.File("photo.bmp")), ExpectedBitmap(Portrait()));
}

TEST(Morvik, AMissingFileFailsAndWritesNothing) {
  TempFolder folder;
  EXPECT_EQ(Morvik(folder.File("photo.wlt").c_str()), kMorvikCannotOpen);
  EXPECT_FALSE(std::filesystem::exists(folder.File("photo.bmp")));
  EXPECT_EQ(Morvik(nullptr), kMorvikCannotOpen);
}

TEST(Morvik, AShortFileFailsAndWritesNothing) {
  TempFolder folder;
  folder.Write("photo.wlt", Bytes(Portrait(), 1023));
  EXPECT_EQ(Morvik(folder.File("photo.wlt").c_str()), kMorvikShortFile);
  EXPECT_FALSE(std::filesystem::exists(folder.File("photo.bmp")));
  folder.Write("photo.wlt", "");
  EXPECT_EQ(Morvik(folder.File("photo.wlt").c_str()), kMorvikShortFile);
}

TEST(Morvik, AMalformedPhotoFailsWithTheDecodersValueAndLeavesAnOldBitmap) {
  TempFolder folder;
  auto wrong = Portrait();
  wrong[1] = 'X';
  folder.Write("photo.wlt", Bytes(wrong));
  folder.Write("photo.bmp", "old");
  EXPECT_EQ(Morvik(folder.File("photo.wlt").c_str()), -4);
  EXPECT_EQ(ReadAll(folder.File("photo.bmp")), "old");
  auto noMarker = Portrait();
  noMarker[10 + 5] = 0x00;  // the region segment's marker
  folder.Write("photo.wlt", Bytes(noMarker));
  EXPECT_EQ(Morvik(folder.File("photo.wlt").c_str()), kWltNoMarker);
}

TEST(Morvik, ReplacesAnExistingPhotoBmp) {
  TempFolder folder;
  folder.Write("photo.bmp", std::string(100000, 'x'));
  folder.Write("photo.wlt", Bytes(Portrait()));
  EXPECT_EQ(Morvik(folder.File("photo.wlt").c_str()), 1);
  EXPECT_EQ(ReadAll(folder.File("photo.bmp")), ExpectedBitmap(Portrait()));
}

TEST(Morvik, APhotoBmpThatCannotBeWrittenFails) {
  TempFolder folder;
  std::filesystem::create_directory(folder.path() / "photo.bmp");
  folder.Write("photo.wlt", Bytes(Portrait()));
  EXPECT_EQ(Morvik(folder.File("photo.wlt").c_str()), kMorvikCannotWrite);
}

TEST(FolderPartOf, SplitsAtTheLastSeparator) {
  EXPECT_EQ(FolderPartOf("/tmp/a/photo.wlt"), "/tmp/a/");
  EXPECT_EQ(FolderPartOf("photo.wlt"), "");
  EXPECT_EQ(FolderPartOf("/photo.wlt"), "/");
#if defined(_WIN32)
  EXPECT_EQ(FolderPartOf("C:\\cards\\photo.wlt"), "C:\\cards\\");
  EXPECT_EQ(FolderPartOf("C:\\cards/sub\\photo.wlt"), "C:\\cards/sub\\");
  EXPECT_EQ(FolderPartOf("C:/cards/photo.wlt"), "C:/cards/");
#else
  EXPECT_EQ(FolderPartOf("dir\\photo.wlt"), "");  // a plain character on Linux
#endif
}

#if !defined(_WIN32)
TEST(Morvik, APathWithoutAFolderWritesIntoTheWorkingFolder) {
  TempFolder folder;
  folder.Write("photo.wlt", Bytes(Portrait()));
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  const int result = Morvik("photo.wlt");
  std::filesystem::current_path(before);
  EXPECT_EQ(result, 1);
  EXPECT_EQ(ReadAll(folder.File("photo.bmp")), ExpectedBitmap(Portrait()));
}
#endif

#if defined(VANTEL_SHARED_LIBRARY)
TEST(Morvik, IsExportedByTheSharedLibraryUnderItsPlainName) {
  void* library = dlopen(VANTEL_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(library, nullptr) << dlerror();
  using Entry = int (*)(const char*);
  auto entry = reinterpret_cast<Entry>(dlsym(library, "Morvik"));
  ASSERT_NE(entry, nullptr);
  TempFolder folder;
  folder.Write("photo.wlt", Bytes(Portrait()));
  EXPECT_EQ(entry(folder.File("photo.wlt").c_str()), 1);
  EXPECT_EQ(ReadAll(folder.File("photo.bmp")), ExpectedBitmap(Portrait()));
  EXPECT_EQ(dlsym(library, "WltToBitmap"), nullptr);  // internals stay hidden
  dlclose(library);
}
#endif

}  // namespace
}  // namespace vantel::photo
