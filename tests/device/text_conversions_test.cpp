#include "library/device/text_conversions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "platform/module_paths.h"
#include "support/temp_folder.h"

namespace vantel {
namespace {

std::string Encode(const std::string& bytes) {
  char out[256] = {};
  int written = Base64Encode(out, reinterpret_cast<const unsigned char*>(bytes.data()),
                             static_cast<int>(bytes.size()));
  EXPECT_EQ(written, static_cast<int>(std::strlen(out)));
  return out;
}

TEST(Base64, EncodesRfc4648Vectors) {
  EXPECT_EQ(Encode("abc"), "YWJj");
  EXPECT_EQ(Encode("f"), "Zg==");
  EXPECT_EQ(Encode("fo"), "Zm8=");
  EXPECT_EQ(Encode("foobar"), "Zm9vYmFy");
  EXPECT_EQ(Encode(std::string("\xFF\xFE\x00", 3)), "//4A");
}

TEST(Base64, ZeroLengthMeansTheInputText) {
  char out[16] = {'x'};
  EXPECT_EQ(Base64Encode(out, reinterpret_cast<const unsigned char*>(""), 0), 0);
  EXPECT_STREQ(out, "");
  EXPECT_EQ(Base64Encode(out, reinterpret_cast<const unsigned char*>("abc"), 0), 4);
  EXPECT_STREQ(out, "YWJj");
}

TEST(Base64, AlphabetBoundaries) {
  EXPECT_EQ(Base64Char(0), 'A');
  EXPECT_EQ(Base64Char(63), '/');
  EXPECT_EQ(Base64Char(64), '=');
  EXPECT_EQ(Base64Value('+'), 62);
  EXPECT_EQ(Base64Value('='), -1);
  EXPECT_EQ(Base64Value(' '), -1);
}

TEST(Base64, DecodeSkipsCharactersOutsideTheAlphabet) {
  unsigned char out[8] = {};
  int length = sizeof out;
  EXPECT_EQ(Base64Decode("QQ==", 4, out, &length), 1);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(out[0], 0x41);

  length = sizeof out;
  EXPECT_EQ(Base64Decode("Q Q = =", 7, out, &length), 1);
  EXPECT_EQ(length, 1);
  EXPECT_EQ(out[0], 0x41);
}

TEST(Base64, DecodeBeyondCapacityWritesNothingButCounts) {
  unsigned char out[4] = {0x11, 0x22, 0x33, 0x44};
  int length = 2;
  EXPECT_EQ(Base64Decode("QUJD", 4, out, &length), 0);
  EXPECT_EQ(length, 3);
  EXPECT_EQ(out[0], 0x11);
  EXPECT_EQ(out[1], 0x22);
}

TEST(Base64, DecodeStopsAtLengthOrNul) {
  unsigned char out[8] = {};
  int length = sizeof out;
  EXPECT_EQ(Base64Decode("YWJjYWJj", 4, out, &length), 1);
  EXPECT_EQ(length, 3);
  length = sizeof out;
  EXPECT_EQ(Base64Decode("YWJj\0YWJj", 9, out, &length), 1);
  EXPECT_EQ(length, 3);
}

TEST(Base64, DecodeMeasuresOrRefusesNullArguments) {
  int length = 100;
  EXPECT_EQ(Base64Decode("YWJj", 4, nullptr, &length), 0);
  EXPECT_EQ(length, 3);
  unsigned char out[4];
  EXPECT_EQ(Base64Decode(nullptr, 4, out, &length), 0);
  EXPECT_EQ(Base64Decode("YWJj", 4, out, nullptr), 0);
}

TEST(Base64, RoundTripsEveryByteValue) {
  unsigned char bytes[256];
  for (int i = 0; i < 256; ++i) bytes[i] = static_cast<unsigned char>(i);
  char text[400];
  int written = Base64Encode(text, bytes, 256);
  unsigned char back[256];
  int length = sizeof back;
  ASSERT_EQ(Base64Decode(text, written, back, &length), 1);
  ASSERT_EQ(length, 256);
  EXPECT_EQ(std::memcmp(bytes, back, 256), 0);
}

TEST(BytesToHex, CountsDigitsNotBytes) {
  const unsigned char bytes[] = {0xAB, 0x0F, 0x9C};
  char out[16];
  BytesToHex(bytes, out, 3);
  EXPECT_STREQ(out, "AB0");
  BytesToHex(bytes, out, 6);
  EXPECT_STREQ(out, "AB0F9C");
  BytesToHex(bytes, out, 256 + 2);  // taken modulo 256
  EXPECT_STREQ(out, "AB");
}

TEST(SamIdText, FormatsTheFiveNumbersLittleEndian) {
  const unsigned char bytes[16] = {0x05, 0x00, 0x01, 0x00, 0x40, 0xE2, 0x01, 0x00,
                                   0x15, 0xCD, 0x5B, 0x07, 0xFF, 0xFF, 0xFF, 0xFF};
  char out[37] = {};
  FormatSamIdText(out, SamIdFromBytes(bytes));
  EXPECT_STREQ(out, "05.01-00123456-0123456789-4294967295");
}

TEST(SamIdText, NeverWritesMoreThan36Characters) {
  SamId id{65535, 65535, 4294967295u, 4294967295u, 4294967295u};
  char out[64];
  std::memset(out, 'z', sizeof out);
  FormatSamIdText(out, id);
  EXPECT_EQ(std::string(out, 36), "65535.65535-4294967295-4294967295-42");
  EXPECT_EQ(out[36], 'z');
}

TEST(WordHelpers, SwapAndMake) {
  EXPECT_EQ(SwapBytes16(0x1234), 0x3412);
  EXPECT_EQ(SwapBytes16(0x7ABC1234), 0x7ABC3412);
  EXPECT_EQ(MakeWord16(0x112, 0x334), 0x1234);
}

TEST(EnsureDirectory, CreatesEveryMissingLevel) {
  vantel_test::TempFolder temp;
  const char sep = platform::kPathSeparator;
  std::string path = temp.File("a") + sep + "b" + sep + "c" + sep;
  EXPECT_TRUE(EnsureDirectory(path.c_str()));
  EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "a" / "b" / "c"));
  EXPECT_TRUE(EnsureDirectory(path.c_str()));  // existing: true at once
}

TEST(EnsureDirectory, RefusesOverlongPathsInsteadOfCuttingThem) {
  vantel_test::TempFolder temp;
  std::string path = temp.File(std::string(300, 'x'));
  EXPECT_FALSE(EnsureDirectory(path.c_str()));
  EXPECT_TRUE(std::filesystem::is_empty(temp.path()));
}

}  // namespace
}  // namespace vantel
