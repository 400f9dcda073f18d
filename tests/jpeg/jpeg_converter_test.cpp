// ConvertToJpeg and its BMP input stage.
#include "library/cards/jpeg/jpeg_converter.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include <jpeglib.h>

#include "support/bmp_builder.h"
#include "jpeg_test_util.h"

namespace {

using jpegtest::DecodeJpeg;
using jpegtest::ReadMarkers;

using testsupport::BmpSpec;
using testsupport::BuildBmp;
using testsupport::ReadFileBytes;
using testsupport::Rgb;
using testsupport::WriteFileBytes;

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

class ConvertToJpegTest : public ::testing::Test {
 protected:
  // Converts `bmp` and returns the result; the standard error text lands in errorText_.
  int Convert(const std::vector<std::uint8_t>& bmp) {
    EXPECT_TRUE(WriteFileBytes(bmpPath_, bmp));
    ::testing::internal::CaptureStderr();
    int result = vantel::ConvertToJpeg(bmpPath_.c_str(), jpegPath_.c_str());
    errorText_ = ::testing::internal::GetCapturedStderr();
    return result;
  }

  // A failure with `message` on the standard error stream and no JPEG file left.
  void ExpectFailure(const std::vector<std::uint8_t>& bmp, const std::string& message) {
    EXPECT_EQ(Convert(bmp), vantel::kJpegConversionFailed);
    EXPECT_EQ(errorText_, message + "\n");
    EXPECT_FALSE(Exists(jpegPath_));
  }

  vantel_test::TempFolder scratch_;
  std::string bmpPath_ = scratch_.File("photo.bmp");
  std::string jpegPath_ = scratch_.File("photo.jpg");
  std::string errorText_;
};

// The largest absolute difference between the decoded pixels and `expected`, and the sum of
// them all with their count: the mean is judged in integers, the same in every build.
struct PixelErrors {
  int largest = 0;
  long long sum = 0;
  long long samples = 0;
  bool MeanBelowOneAndAHalf() const { return 2 * sum < 3 * samples; }
};

PixelErrors ComparePixels(const jpegtest::DecodedJpeg& jpeg, Rgb (*expected)(int, int)) {
  PixelErrors errors;
  for (int y = 0; y < jpeg.height; ++y) {
    for (int x = 0; x < jpeg.width; ++x) {
      Rgb want = expected(x, y);
      const std::uint8_t* got = &jpeg.pixels[(static_cast<std::size_t>(y) * jpeg.width + x) * 3];
      const int wanted[3] = {want.r, want.g, want.b};
      for (int c = 0; c < 3; ++c) {
        const int error = std::abs(got[c] - wanted[c]);
        errors.sum += error;
        ++errors.samples;
        errors.largest = std::max(errors.largest, error);
      }
    }
  }
  return errors;
}

// The IJG standard luminance table (natural order), which quality 75 scales by one half.
const int kStdLuminance[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};

TEST_F(ConvertToJpegTest, DecoderBitmapBecomesBaselineRgbJpegAtQuality75) {
  std::vector<std::uint8_t> bmp = testsupport::BuildDecoderBitmap();
  ASSERT_EQ(bmp.size(), 38862u);
  ASSERT_EQ(Convert(bmp), vantel::kJpegWritten);
  EXPECT_EQ(errorText_, "");
  std::vector<std::uint8_t> bytes = ReadFileBytes(jpegPath_);
  ASSERT_FALSE(bytes.empty());

  jpegtest::DecodedJpeg jpeg = DecodeJpeg(bytes);
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  EXPECT_EQ(jpeg.width, 102);
  EXPECT_EQ(jpeg.height, 126);
  EXPECT_EQ(jpeg.components, 3);
  EXPECT_EQ(jpeg.colorSpace, JCS_RGB);
  EXPECT_FALSE(jpeg.sawJfif);
  EXPECT_TRUE(jpeg.sawAdobe);
  EXPECT_EQ(jpeg.adobeTransform, 0);  // no colour transform
  EXPECT_FALSE(jpeg.progressive);
  EXPECT_FALSE(jpeg.arithmetic);
  EXPECT_EQ(jpeg.componentIds, (std::vector<int>{'R', 'G', 'B'}));
  EXPECT_EQ(jpeg.componentQuantTables, (std::vector<int>{0, 0, 0}));
  ASSERT_EQ(jpeg.quantTable0.size(), 64u);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(jpeg.quantTable0[i], (kStdLuminance[i] * 50 + 50) / 100) << "entry " << i;
  }
  EXPECT_FALSE(jpeg.hasQuantTable1);

  const PixelErrors errors = ComparePixels(jpeg, testsupport::PhotoPattern);
  EXPECT_TRUE(errors.MeanBelowOneAndAHalf()) << errors.sum << " over " << errors.samples;
  EXPECT_LE(errors.largest, 24);
}

TEST_F(ConvertToJpegTest, MarkersAreAdobeAndBaselineFrameWithoutJfif) {
  ASSERT_EQ(Convert(testsupport::BuildDecoderBitmap()), vantel::kJpegWritten);
  std::vector<std::uint8_t> bytes = ReadFileBytes(jpegPath_);
  ASSERT_GE(bytes.size(), 4u);
  EXPECT_EQ(bytes[bytes.size() - 2], 0xFF);
  EXPECT_EQ(bytes[bytes.size() - 1], 0xD9);  // EOI

  std::vector<jpegtest::Marker> markers = ReadMarkers(bytes);
  ASSERT_FALSE(markers.empty());
  EXPECT_EQ(markers.front().code, 0xD8);
  bool sawAdobe = false;
  bool sawSof0 = false;
  int dqtCount = 0;
  for (const jpegtest::Marker& m : markers) {
    EXPECT_NE(m.code, 0xE0) << "no JFIF (APP0) marker";
    EXPECT_NE(m.code, 0xC1);
    EXPECT_NE(m.code, 0xC2);
    if (m.code == 0xEE) {
      ASSERT_GE(m.data.size(), 12u);
      EXPECT_EQ(std::string(m.data.begin(), m.data.begin() + 5), "Adobe");
      EXPECT_EQ(m.data[11], 0);  // transform: none
      sawAdobe = true;
    }
    if (m.code == 0xDB) ++dqtCount;
    if (m.code == 0xC0) {
      sawSof0 = true;
      ASSERT_EQ(m.data.size(), 6u + 3 * 3);
      EXPECT_EQ(m.data[0], 8);                          // precision
      EXPECT_EQ((m.data[1] << 8) | m.data[2], 126);     // height
      EXPECT_EQ((m.data[3] << 8) | m.data[4], 102);     // width
      EXPECT_EQ(m.data[5], 3);
      const int ids[3] = {'R', 'G', 'B'};
      for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(m.data[6 + 3 * c], ids[c]);
        EXPECT_EQ(m.data[7 + 3 * c], 0x11);  // no subsampling
        EXPECT_EQ(m.data[8 + 3 * c], 0);     // quantization table 0
      }
    }
  }
  EXPECT_TRUE(sawAdobe);
  EXPECT_TRUE(sawSof0);
  EXPECT_EQ(dqtCount, 1);
  EXPECT_EQ(markers.back().code, 0xDA);
}

TEST_F(ConvertToJpegTest, RowsComeOutTopFirstAsRgb) {
  BmpSpec spec;
  spec.width = 16;
  spec.height = 32;
  // Top half red, bottom half blue: a reader that kept the file's bottom-up order, or
  // B, G, R order, would show it.
  spec.color = [](int, int y) { return y < 16 ? Rgb{220, 20, 10} : Rgb{10, 30, 230}; };
  ASSERT_EQ(Convert(BuildBmp(spec)), vantel::kJpegWritten);
  jpegtest::DecodedJpeg jpeg = DecodeJpeg(ReadFileBytes(jpegPath_));
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  const std::uint8_t* top = &jpeg.pixels[(2 * 16 + 8) * 3];
  const std::uint8_t* bottom = &jpeg.pixels[(29 * 16 + 8) * 3];
  EXPECT_NEAR(top[0], 220, 4);
  EXPECT_NEAR(top[1], 20, 4);
  EXPECT_NEAR(top[2], 10, 4);
  EXPECT_NEAR(bottom[0], 10, 4);
  EXPECT_NEAR(bottom[1], 30, 4);
  EXPECT_NEAR(bottom[2], 230, 4);
}

TEST_F(ConvertToJpegTest, OddWidthRowsArePadded) {
  BmpSpec spec;
  spec.width = 13;  // 39 bytes a row, 1 padding byte
  spec.height = 9;
  spec.paddingByte = 0xEE;
  spec.color = [](int, int) { return Rgb{90, 140, 200}; };
  ASSERT_EQ(Convert(BuildBmp(spec)), vantel::kJpegWritten);
  jpegtest::DecodedJpeg jpeg = DecodeJpeg(ReadFileBytes(jpegPath_));
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  ASSERT_EQ(jpeg.width, 13);
  ASSERT_EQ(jpeg.height, 9);
  for (std::size_t i = 0; i < jpeg.pixels.size(); i += 3) {
    EXPECT_NEAR(jpeg.pixels[i], 90, 3);
    EXPECT_NEAR(jpeg.pixels[i + 1], 140, 3);
    EXPECT_NEAR(jpeg.pixels[i + 2], 200, 3);
  }
}

TEST_F(ConvertToJpegTest, NegativeHeightIsEmptyImage) {
  BmpSpec spec;
  spec.height = -126;
  spec.color = testsupport::PhotoPattern;
  ExpectFailure(BuildBmp(spec), "Empty BMP image");
}

TEST_F(ConvertToJpegTest, ZeroWidthIsEmptyImage) {
  BmpSpec spec;
  spec.width = 0;
  ExpectFailure(BuildBmp(spec), "Empty BMP image");
}

TEST_F(ConvertToJpegTest, ThirtyTwoBitConverts) {
  BmpSpec spec;
  spec.bitsPerPixel = 32;
  spec.color = testsupport::PhotoPattern;
  ASSERT_EQ(Convert(BuildBmp(spec)), vantel::kJpegWritten);
  EXPECT_EQ(errorText_, "");
  jpegtest::DecodedJpeg jpeg = DecodeJpeg(ReadFileBytes(jpegPath_));
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  EXPECT_EQ(jpeg.width, 102);
  EXPECT_EQ(jpeg.height, 126);
  const PixelErrors errors = ComparePixels(jpeg, testsupport::PhotoPattern);
  EXPECT_TRUE(errors.MeanBelowOneAndAHalf()) << errors.sum << " over " << errors.samples;
  EXPECT_LE(errors.largest, 24);
}

TEST_F(ConvertToJpegTest, SixteenBitIsRefused) {
  BmpSpec spec;
  spec.bitsPerPixel = 16;
  ExpectFailure(BuildBmp(spec), "Only 8- and 24-bit BMP files are supported");
}

TEST_F(ConvertToJpegTest, Os2ThirtyTwoBitIsRefused) {
  BmpSpec spec;
  spec.infoHeaderSize = 12;
  spec.bitsPerPixel = 32;
  spec.color = testsupport::PhotoPattern;
  ExpectFailure(BuildBmp(spec), "Only 8- and 24-bit BMP files are supported");
}

// A 16-entry palette whose entry i is a distinct colour; pixels use index (x / 4) % 16.
std::vector<Rgb> SixteenColours() {
  std::vector<Rgb> palette;
  for (int i = 0; i < 16; ++i) {
    palette.push_back({static_cast<std::uint8_t>(i * 16), static_cast<std::uint8_t>(255 - i * 16),
                       static_cast<std::uint8_t>(i % 2 ? 200 : 40)});
  }
  return palette;
}

TEST_F(ConvertToJpegTest, EightBitColourTableIsLookedUp) {
  BmpSpec spec;
  spec.width = 64;
  spec.height = 16;
  spec.bitsPerPixel = 8;
  spec.palette = SixteenColours();
  spec.colorsUsed = 16;
  spec.index = [](int x, int) { return static_cast<std::uint8_t>((x / 8) * 2 + 1); };
  ASSERT_EQ(Convert(BuildBmp(spec)), vantel::kJpegWritten);
  jpegtest::DecodedJpeg jpeg = DecodeJpeg(ReadFileBytes(jpegPath_));
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  // The middle of each 8-pixel block (one JPEG block) has the entry's colour.
  for (int block = 0; block < 8; ++block) {
    const Rgb want = spec.palette[block * 2 + 1];
    const std::uint8_t* got = &jpeg.pixels[(4 * 64 + block * 8 + 4) * 3];
    EXPECT_NEAR(got[0], want.r, 6) << "block " << block;
    EXPECT_NEAR(got[1], want.g, 6) << "block " << block;
    EXPECT_NEAR(got[2], want.b, 6) << "block " << block;
  }
}

TEST_F(ConvertToJpegTest, EightBitWithColoursUsedZeroReads256Entries) {
  BmpSpec spec;
  spec.width = 8;
  spec.height = 8;
  spec.bitsPerPixel = 8;
  spec.colorsUsed = 0;
  for (int i = 0; i < 256; ++i) spec.palette.push_back({0, 0, 0});
  spec.palette[255] = {30, 200, 120};
  spec.index = [](int, int) { return std::uint8_t{255}; };
  std::vector<std::uint8_t> bmp = BuildBmp(spec);
  ASSERT_EQ(bmp.size(), 14u + 40 + 256 * 4 + 8 * 8);
  ASSERT_EQ(Convert(bmp), vantel::kJpegWritten);
  jpegtest::DecodedJpeg jpeg = DecodeJpeg(ReadFileBytes(jpegPath_));
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  EXPECT_NEAR(jpeg.pixels[0], 30, 3);
  EXPECT_NEAR(jpeg.pixels[1], 200, 3);
  EXPECT_NEAR(jpeg.pixels[2], 120, 3);
}

TEST_F(ConvertToJpegTest, ColoursUsedZeroWithShorterTableIsBadHeader) {
  // Colours used 0 means 256 entries: a pixel offset right after 16 entries lies inside them.
  BmpSpec spec;
  spec.width = 8;
  spec.height = 8;
  spec.bitsPerPixel = 8;
  spec.colorsUsed = 0;
  spec.palette = SixteenColours();
  std::vector<std::uint8_t> bmp = BuildBmp(spec);
  bmp.resize(bmp.size() + 256 * 4, 0);  // enough bytes that the table itself can be read
  ExpectFailure(bmp, "Invalid BMP file: bad header length");
}

TEST_F(ConvertToJpegTest, MoreThan256ColoursIsBadColormap) {
  BmpSpec spec;
  spec.bitsPerPixel = 8;
  spec.colorsUsed = 257;
  spec.palette = SixteenColours();
  ExpectFailure(BuildBmp(spec), "Unsupported BMP colormap format");
}

TEST_F(ConvertToJpegTest, Os2EightBitUsesThreeByteEntries) {
  BmpSpec spec;
  spec.infoHeaderSize = 12;
  spec.width = 16;
  spec.height = 8;
  spec.bitsPerPixel = 8;
  for (int i = 0; i < 256; ++i) spec.palette.push_back({0, 0, 0});
  spec.palette[7] = {250, 128, 5};
  spec.index = [](int, int) { return std::uint8_t{7}; };
  ASSERT_EQ(BuildBmp(spec).size(), 14u + 12 + 256 * 3 + 16 * 8);
  ASSERT_EQ(Convert(BuildBmp(spec)), vantel::kJpegWritten);
  jpegtest::DecodedJpeg jpeg = DecodeJpeg(ReadFileBytes(jpegPath_));
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  EXPECT_EQ(jpeg.width, 16);
  EXPECT_NEAR(jpeg.pixels[0], 250, 3);
  EXPECT_NEAR(jpeg.pixels[1], 128, 3);
  EXPECT_NEAR(jpeg.pixels[2], 5, 3);
}

TEST_F(ConvertToJpegTest, Os2TwentyFourBitConverts) {
  BmpSpec spec;
  spec.infoHeaderSize = 12;
  spec.color = testsupport::PhotoPattern;
  ASSERT_EQ(Convert(BuildBmp(spec)), vantel::kJpegWritten);
  jpegtest::DecodedJpeg jpeg = DecodeJpeg(ReadFileBytes(jpegPath_));
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  const PixelErrors errors = ComparePixels(jpeg, testsupport::PhotoPattern);
  EXPECT_TRUE(errors.MeanBelowOneAndAHalf()) << errors.sum << " over " << errors.samples;
}

TEST_F(ConvertToJpegTest, SixtyFourByteHeaderConverts) {
  BmpSpec spec;
  spec.infoHeaderSize = 64;
  spec.color = testsupport::PhotoPattern;
  ASSERT_EQ(Convert(BuildBmp(spec)), vantel::kJpegWritten);
  EXPECT_TRUE(DecodeJpeg(ReadFileBytes(jpegPath_)).ok);
}

TEST_F(ConvertToJpegTest, GapBeforePixelDataIsSkipped) {
  BmpSpec spec;
  spec.width = 8;
  spec.height = 8;
  spec.color = [](int, int) { return Rgb{100, 50, 25}; };
  std::vector<std::uint8_t> bmp = BuildBmp(spec);
  // 100 filler bytes between the header and the pixels.
  bmp.insert(bmp.begin() + 54, 100, 0xFF);
  bmp[10] = 54 + 100;
  ASSERT_EQ(Convert(bmp), vantel::kJpegWritten);
  jpegtest::DecodedJpeg jpeg = DecodeJpeg(ReadFileBytes(jpegPath_));
  ASSERT_TRUE(jpeg.ok) << jpeg.error;
  EXPECT_NEAR(jpeg.pixels[0], 100, 3);
  EXPECT_NEAR(jpeg.pixels[1], 50, 3);
  EXPECT_NEAR(jpeg.pixels[2], 25, 3);
}

TEST_F(ConvertToJpegTest, PixelOffsetInsideHeadersIsBadHeader) {
  BmpSpec spec;
  spec.color = testsupport::PhotoPattern;
  spec.overridePixelOffset = true;
  spec.pixelOffset = 50;
  ExpectFailure(BuildBmp(spec), "Invalid BMP file: bad header length");
}

TEST_F(ConvertToJpegTest, HeaderSizesOutsideTheThreeFormsAreBadHeader) {
  for (std::uint32_t size : {11u, 20u, 52u, 65u, 108u}) {
    BmpSpec spec;
    spec.infoHeaderSize = size;
    spec.color = testsupport::PhotoPattern;
    ExpectFailure(BuildBmp(spec), "Invalid BMP file: bad header length");
  }
}

TEST_F(ConvertToJpegTest, CompressionIsRefused) {
  BmpSpec spec;
  spec.bitsPerPixel = 8;
  spec.compression = 1;  // RLE8
  spec.palette = SixteenColours();
  spec.colorsUsed = 16;
  ExpectFailure(BuildBmp(spec), "Sorry, compressed BMPs not yet supported");
}

TEST_F(ConvertToJpegTest, PlanesOtherThanOneAreRefused) {
  BmpSpec spec;
  spec.planes = 2;
  spec.color = testsupport::PhotoPattern;
  ExpectFailure(BuildBmp(spec), "Invalid BMP file: biPlanes not equal to 1");
  spec.planes = 0;
  ExpectFailure(BuildBmp(spec), "Invalid BMP file: biPlanes not equal to 1");
}

TEST_F(ConvertToJpegTest, WrongMagicIsNotBmp) {
  std::vector<std::uint8_t> bmp = testsupport::BuildDecoderBitmap();
  bmp[1] = 'A';
  ExpectFailure(bmp, "Not a BMP file - does not start with BM");
}

TEST_F(ConvertToJpegTest, EmptyFileIsEmptyInput) {
  ExpectFailure({}, "Empty input file");
}

TEST_F(ConvertToJpegTest, ShortFilesEndPrematurely) {
  std::vector<std::uint8_t> bmp = testsupport::BuildDecoderBitmap();
  // Inside the file header, inside the header size, inside the info header, inside the
  // pixel rows and one byte short of the last row's padding.
  for (std::size_t length : {1u, 2u, 13u, 16u, 30u, 53u, 54u, 1000u, 38861u}) {
    std::vector<std::uint8_t> shortBmp(bmp.begin(), bmp.begin() + length);
    ExpectFailure(shortBmp, "Premature end of input file");
  }
}

TEST_F(ConvertToJpegTest, ShortColourTableEndsPrematurely) {
  BmpSpec spec;
  spec.bitsPerPixel = 8;
  spec.colorsUsed = 16;
  spec.palette = SixteenColours();
  std::vector<std::uint8_t> bmp = BuildBmp(spec);
  bmp.resize(54 + 10 * 4);
  ExpectFailure(bmp, "Premature end of input file");
}

TEST_F(ConvertToJpegTest, OtherFirstBytesAreUnrecognized) {
  // "P" (PPM/PGM) and 0x00 (Targa) have no reader in this system.
  for (std::vector<std::uint8_t> input :
       {std::vector<std::uint8_t>{'P', '6', '\n', '2', ' ', '2', '\n', '2', '5', '5', '\n'},
        std::vector<std::uint8_t>{0x00, 0x00, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 2, 0, 24, 0},
        std::vector<std::uint8_t>{0xFF, 0xD8, 0xFF}, std::vector<std::uint8_t>{'X'}}) {
    ExpectFailure(input, "Unrecognized input file format --- perhaps you need -targa");
  }
}

TEST_F(ConvertToJpegTest, GifIsRefusedWithoutEndingTheProcess) {
  std::vector<std::uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a'};
  EXPECT_EQ(Convert(gif), vantel::kJpegConversionFailed);
  EXPECT_EQ(errorText_, "GIF input is unsupported for legal reasons.  Sorry.\n");
  EXPECT_FALSE(Exists(jpegPath_));
}

TEST_F(ConvertToJpegTest, MissingInputCannotBeOpened) {
  std::string missing = scratch_.File("none.bmp");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(vantel::ConvertToJpeg(missing.c_str(), jpegPath_.c_str()), vantel::kJpegCannotOpen);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "cjpeg: can't open " + missing + "\n");
  EXPECT_FALSE(Exists(jpegPath_));
}

TEST_F(ConvertToJpegTest, MissingInputLeavesAnOlderJpegAlone) {
  ASSERT_TRUE(WriteFileBytes(jpegPath_, {1, 2, 3}));
  std::string missing = scratch_.File("none.bmp");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(vantel::ConvertToJpeg(missing.c_str(), jpegPath_.c_str()), vantel::kJpegCannotOpen);
  ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(ReadFileBytes(jpegPath_), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(ConvertToJpegTest, UnwritableOutputCannotBeOpened) {
  ASSERT_TRUE(WriteFileBytes(bmpPath_, testsupport::BuildDecoderBitmap()));
  std::string unwritable = scratch_.File("no-such-folder/photo.jpg");
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(vantel::ConvertToJpeg(bmpPath_.c_str(), unwritable.c_str()), vantel::kJpegCannotOpen);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "cjpeg: can't open " + unwritable + "\n");
}

TEST_F(ConvertToJpegTest, FailureReplacesNoOlderJpegWithHalfAFile) {
  // An older, valid JPEG at the output path is gone after a failed conversion, not
  // replaced by the failed one's first bytes.
  ASSERT_EQ(Convert(testsupport::BuildDecoderBitmap()), vantel::kJpegWritten);
  ASSERT_TRUE(Exists(jpegPath_));
  std::vector<std::uint8_t> bmp = testsupport::BuildDecoderBitmap();
  bmp.resize(bmp.size() - 308);
  ExpectFailure(bmp, "Premature end of input file");
}

TEST_F(ConvertToJpegTest, ManyFailuresInARowLeaveTheProcessWorking) {
  std::vector<std::uint8_t> broken = testsupport::BuildDecoderBitmap();
  broken.resize(5000);
  for (int i = 0; i < 50; ++i) {
    ASSERT_EQ(Convert(broken), vantel::kJpegConversionFailed);
  }
  EXPECT_EQ(Convert(testsupport::BuildDecoderBitmap()), vantel::kJpegWritten);
  EXPECT_TRUE(DecodeJpeg(ReadFileBytes(jpegPath_)).ok);
}

TEST_F(ConvertToJpegTest, NullPathsUseStandardInputAndOutput) {
  const std::vector<std::uint8_t> bmp = testsupport::BuildDecoderBitmap();
  ASSERT_TRUE(WriteFileBytes(bmpPath_, bmp));
  // On Windows the child is a new run of this program up to here, with a scratch folder of
  // its own: it finds the parent's two files through the environment.
  if (!::testing::internal::InDeathTestChild()) {
#if defined(_WIN32)
    _putenv_s("VANTEL_TEST_STREAM_BMP", bmpPath_.c_str());
    _putenv_s("VANTEL_TEST_STREAM_JPEG", jpegPath_.c_str());
#else
    setenv("VANTEL_TEST_STREAM_BMP", bmpPath_.c_str(), 1);
    setenv("VANTEL_TEST_STREAM_JPEG", jpegPath_.c_str(), 1);
#endif
  }
  // In a child process: its standard streams are the two files.
  EXPECT_EXIT(
      {
        const char* bmpPath = std::getenv("VANTEL_TEST_STREAM_BMP");
        const char* jpegPath = std::getenv("VANTEL_TEST_STREAM_JPEG");
        if (!bmpPath || !jpegPath) std::_Exit(12);
        if (!std::freopen(bmpPath, "rb", stdin)) std::_Exit(10);
        if (!std::freopen(jpegPath, "wb", stdout)) std::_Exit(11);
        int result = vantel::ConvertToJpeg(nullptr, nullptr);
        std::fflush(stdout);
        std::_Exit(result);
      },
      ::testing::ExitedWithCode(0), "");
  std::vector<std::uint8_t> fromStreams = ReadFileBytes(jpegPath_);
  ASSERT_EQ(Convert(bmp), vantel::kJpegWritten);
  EXPECT_EQ(fromStreams, ReadFileBytes(jpegPath_));
}

}  // namespace
