// The BMP input stage on its own (what the JPEG file does not show).
#include "library/cards/jpeg/bmp_reader.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

#include <csetjmp>
#include <cstdio>

#include "support/bmp_builder.h"
#include "jpeg_test_util.h"
#include "library/cards/jpeg/cjpeg_messages.h"

namespace {

using testsupport::BmpSpec;
using testsupport::BuildBmp;
using testsupport::Rgb;

struct Harness {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  vantel::BmpReader reader{};
  std::FILE* file = nullptr;
};

// Starts the reader on `bmp`; false when it raised an error (its code in *code).
bool Start(Harness* h, const std::string& path, int* code) {
  h->file = std::fopen(path.c_str(), "rb");
  if (!h->file) return false;
  h->reader.input = h->file;
  static thread_local std::jmp_buf* leave;
  std::jmp_buf here;
  leave = &here;
  h->errors.error_exit = [](j_common_ptr) { std::longjmp(*leave, 1); };
  if (setjmp(here)) {
    *code = h->errors.msg_code;
    return false;
  }
  vantel::StartBmpInput(&h->cinfo, &h->reader);
  return true;
}

class BmpReaderTest : public ::testing::Test {
 protected:
  BmpReaderTest() {
    h_.cinfo.err = jpeg_std_error(&h_.errors);
    h_.errors.addon_message_table = vantel::kCjpegAddonMessages;
    h_.errors.first_addon_message = vantel::kCjpegFirstAddonCode;
    h_.errors.last_addon_message = vantel::kCjpegLastAddonCode;
    jpeg_create_compress(&h_.cinfo);
    h_.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&h_.cinfo);
  }
  ~BmpReaderTest() override {
    jpeg_destroy_compress(&h_.cinfo);
    if (h_.file) std::fclose(h_.file);
  }
  bool StartOn(const std::vector<std::uint8_t>& bmp, int* code = nullptr) {
    int ignored = 0;
    EXPECT_TRUE(testsupport::WriteFileBytes(path_, bmp));
    return Start(&h_, path_, code ? code : &ignored);
  }

  vantel_test::TempFolder scratch_;
  std::string path_ = scratch_.File("in.bmp");
  Harness h_;
};

TEST_F(BmpReaderTest, DecoderBitmapSetsTheImage) {
  ASSERT_TRUE(StartOn(testsupport::BuildDecoderBitmap()));
  EXPECT_EQ(h_.cinfo.image_width, 102u);
  EXPECT_EQ(h_.cinfo.image_height, 126u);
  EXPECT_EQ(h_.cinfo.input_components, 3);
  EXPECT_EQ(h_.cinfo.in_color_space, JCS_RGB);
  EXPECT_EQ(h_.cinfo.data_precision, 8);
  EXPECT_EQ(h_.reader.bitsPerPixel, 24);
  // The reader stands at the first pixel byte: the blue of the bottom-left pixel.
  EXPECT_EQ(std::ftell(h_.file), 54);
  // Resolutions 0: the defaults stay.
  EXPECT_EQ(h_.cinfo.density_unit, 0);
  EXPECT_EQ(h_.cinfo.X_density, 1);
  EXPECT_EQ(h_.cinfo.Y_density, 1);
}

TEST_F(BmpReaderTest, PositiveResolutionsSetTheDensityInDotsPerCentimetre) {
  BmpSpec spec;
  spec.xPixelsPerMetre = 2835;  // 72 dpi
  spec.yPixelsPerMetre = 11811;
  spec.color = testsupport::PhotoPattern;
  ASSERT_TRUE(StartOn(BuildBmp(spec)));
  EXPECT_EQ(h_.cinfo.density_unit, 2);
  EXPECT_EQ(h_.cinfo.X_density, 28);
  EXPECT_EQ(h_.cinfo.Y_density, 118);
}

TEST_F(BmpReaderTest, ResolutionsThatAreNotBothPositiveLeaveTheDensity) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {2835, 0}, {0, 2835}, {-2835, 2835}, {2835, static_cast<std::int32_t>(0x80000000u)}};
  for (auto [x, y] : cases) {
    Harness h;
    h.cinfo.err = jpeg_std_error(&h.errors);
    jpeg_create_compress(&h.cinfo);
    h.cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&h.cinfo);
    BmpSpec spec;
    spec.xPixelsPerMetre = x;
    spec.yPixelsPerMetre = y;
    ASSERT_TRUE(testsupport::WriteFileBytes(path_, BuildBmp(spec)));
    int code = 0;
    EXPECT_TRUE(Start(&h, path_, &code)) << code;
    EXPECT_EQ(h.cinfo.density_unit, 0) << x << " " << y;
    jpeg_destroy_compress(&h.cinfo);
    std::fclose(h.file);
  }
}

TEST_F(BmpReaderTest, ColoursUsedZeroReadsA256EntryTable) {
  BmpSpec spec;
  spec.width = 4;
  spec.height = 4;
  spec.bitsPerPixel = 8;
  spec.colorsUsed = 0;
  for (int i = 0; i < 256; ++i) {
    spec.palette.push_back({static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                            static_cast<std::uint8_t>(i ^ 0x5A)});
  }
  ASSERT_TRUE(StartOn(BuildBmp(spec)));
  for (int i = 0; i < 256; ++i) {
    EXPECT_EQ(h_.reader.colormap[i][0], i);
    EXPECT_EQ(h_.reader.colormap[i][1], 255 - i);
    EXPECT_EQ(h_.reader.colormap[i][2], i ^ 0x5A);
  }
  EXPECT_EQ(std::ftell(h_.file), 14 + 40 + 1024);
}

TEST_F(BmpReaderTest, ErrorsCarryTheirCodes) {
  struct Case {
    BmpSpec spec;
    int code;
  };
  std::vector<Case> cases(5);
  cases[0].spec.bitsPerPixel = 16, cases[0].code = vantel::kBmpBadDepth;
  cases[1].spec.infoHeaderSize = 20, cases[1].code = vantel::kBmpBadHeader;
  cases[2].spec.planes = 3, cases[2].code = vantel::kBmpBadPlanes;
  cases[3].spec.height = -1, cases[3].code = vantel::kBmpEmpty;
  cases[4].spec.compression = 3, cases[4].code = vantel::kBmpCompressed;
  for (const Case& c : cases) {
    Harness h;
    h.cinfo.err = jpeg_std_error(&h.errors);
    jpeg_create_compress(&h.cinfo);
    ASSERT_TRUE(testsupport::WriteFileBytes(path_, BuildBmp(c.spec)));
    int code = 0;
    EXPECT_FALSE(Start(&h, path_, &code));
    EXPECT_EQ(code, c.code);
    jpeg_destroy_compress(&h.cinfo);
    std::fclose(h.file);
  }
}

TEST_F(BmpReaderTest, TraceTextsAppearOnlyAtTraceLevelOne) {
  ::testing::internal::CaptureStderr();
  ASSERT_TRUE(StartOn(testsupport::BuildDecoderBitmap()));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");

  Harness h;
  h.cinfo.err = jpeg_std_error(&h.errors);
  h.errors.addon_message_table = vantel::kCjpegAddonMessages;
  h.errors.first_addon_message = vantel::kCjpegFirstAddonCode;
  h.errors.last_addon_message = vantel::kCjpegLastAddonCode;
  h.errors.trace_level = 1;
  jpeg_create_compress(&h.cinfo);
  BmpSpec spec;
  spec.infoHeaderSize = 12;
  spec.width = 7;
  spec.height = 5;
  spec.bitsPerPixel = 8;
  spec.palette.assign(256, Rgb{1, 2, 3});
  ASSERT_TRUE(testsupport::WriteFileBytes(path_, BuildBmp(spec)));
  int code = 0;
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(Start(&h, path_, &code));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "7x5 8-bit colormapped OS2 BMP image\n");
  jpeg_destroy_compress(&h.cinfo);
  std::fclose(h.file);
}

TEST(CjpegMessages, TableHoldsTheAddOnCodesAndTheirTexts) {
  auto text = [](int code) {
    const char* t = vantel::kCjpegAddonMessages[code - vantel::kCjpegFirstAddonCode];
    return std::string(t ? t : "(null)");
  };
  EXPECT_EQ(text(1000), "(null)");
  EXPECT_EQ(text(1001), "Unsupported BMP colormap format");
  EXPECT_EQ(text(1002), "Only 8- and 24-bit BMP files are supported");
  EXPECT_EQ(text(1003), "Invalid BMP file: bad header length");
  EXPECT_EQ(text(1004), "Invalid BMP file: biPlanes not equal to 1");
  EXPECT_EQ(text(1006), "Sorry, compressed BMPs not yet supported");
  EXPECT_EQ(text(1007), "Empty BMP image");
  EXPECT_EQ(text(1008), "Not a BMP file - does not start with BM");
  EXPECT_EQ(text(1009), "%ux%u 24-bit BMP image");
  EXPECT_EQ(text(1010), "%ux%u 8-bit colormapped BMP image");
  EXPECT_EQ(text(1011), "%ux%u 24-bit OS2 BMP image");
  EXPECT_EQ(text(1012), "%ux%u 8-bit colormapped OS2 BMP image");
  EXPECT_EQ(text(1041), "ungetc failed");
  EXPECT_EQ(text(1042), "Unrecognized input file format --- perhaps you need -targa");
  EXPECT_EQ(text(1044), "(null)");
}

}  // namespace
