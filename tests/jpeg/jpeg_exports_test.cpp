// Kestor_bmpToJpgBase64.
#include "library/exports/jpeg_exports.h"

#include <gtest/gtest.h>

#include "library/device/text_conversions.h"
#include "support/temp_folder.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/bmp_builder.h"
#include "jpeg_test_util.h"
#include "platform/photo_paths.h"

namespace {

// Points the fixed file into the test's scratch folder (on Windows it is C:\photo.jpg).
void UseScratchPhotoFolder(const std::string& folder) {
#if defined(_WIN32)
  _putenv_s("VANTEL_PHOTO_DIR", folder.c_str());
#else
  setenv("VANTEL_PHOTO_DIR", folder.c_str(), 1);
#endif
}

class BmpToJpgBase64Test : public ::testing::Test {
 protected:
  BmpToJpgBase64Test() { UseScratchPhotoFolder(scratch_.path().string()); }
  vantel_test::TempFolder scratch_;
  std::string bmpPath_ = scratch_.File("photo.bmp");
};

TEST_F(BmpToJpgBase64Test, Base64TextDecodesToTheJpegFile) {
  ASSERT_TRUE(testsupport::WriteFileBytes(bmpPath_, testsupport::BuildDecoderBitmap()));
  std::vector<char> out(64 * 1024, 'x');
  ASSERT_EQ(Kestor_bmpToJpgBase64(bmpPath_.c_str(), out.data()), 0);

  const std::string jpegPath = platform::FixedPhotoJpegPath();
#if !defined(_WIN32)
  EXPECT_EQ(jpegPath, scratch_.File("photo.jpg"));
#endif
  std::vector<std::uint8_t> file = testsupport::ReadFileBytes(jpegPath);
  ASSERT_FALSE(file.empty());
  const std::string text(out.data());
  EXPECT_EQ(text.size(), (file.size() + 2) / 3 * 4);
  EXPECT_EQ(text.find_first_not_of(
                "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
            std::string::npos);
  std::vector<std::uint8_t> decoded(text.size());
  int length = static_cast<int>(decoded.size());
  ASSERT_EQ(vantel::Base64Decode(text.data(), static_cast<int>(text.size()), decoded.data(), &length), 1);
  decoded.resize(static_cast<std::size_t>(length));
  EXPECT_EQ(decoded, file);
  // Nothing written past the terminator.
  EXPECT_EQ(out[text.size() + 1], 'x');
  jpegtest::DecodedJpeg jpeg = jpegtest::DecodeJpeg(file);
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  EXPECT_EQ(jpeg.width, 102);
  EXPECT_EQ(jpeg.height, 126);
}

TEST_F(BmpToJpgBase64Test, FailedConversionGivesMinusOneNotAnOlderPhoto) {
  ASSERT_TRUE(testsupport::WriteFileBytes(bmpPath_, testsupport::BuildDecoderBitmap()));
  std::vector<char> out(64 * 1024, 0);
  ASSERT_EQ(Kestor_bmpToJpgBase64(bmpPath_.c_str(), out.data()), 0);

  // A broken bitmap, then a missing one: the older photo.jpg is not handed out again.
  std::vector<std::uint8_t> broken = testsupport::BuildDecoderBitmap();
  broken[0] = 'Q';
  ASSERT_TRUE(testsupport::WriteFileBytes(bmpPath_, broken));
  std::strcpy(out.data(), "untouched");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Kestor_bmpToJpgBase64(bmpPath_.c_str(), out.data()), -1);
  EXPECT_EQ(Kestor_bmpToJpgBase64(scratch_.File("missing.bmp").c_str(), out.data()), -1);
  ::testing::internal::GetCapturedStderr();
  EXPECT_STREQ(out.data(), "untouched");
}

TEST_F(BmpToJpgBase64Test, NullOutputIsRefused) {
  ASSERT_TRUE(testsupport::WriteFileBytes(bmpPath_, testsupport::BuildDecoderBitmap()));
  EXPECT_EQ(Kestor_bmpToJpgBase64(bmpPath_.c_str(), nullptr), -3);
}

}  // namespace
