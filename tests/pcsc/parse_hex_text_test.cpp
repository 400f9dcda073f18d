#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "library/device/pcsc_transport.h"

namespace vantel {
namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kUntouched = 0xEE;

// Converts `text` as the commands do (length strlen, a buffer of length / 2 bytes) into a
// buffer with room to spare, so that writes past length / 2 show.
Bytes Convert(const char* text, int length = -1, std::size_t spare = 4) {
  if (length < 0) length = static_cast<int>(std::strlen(text));
  Bytes out(static_cast<std::size_t>(length) / 2 + spare, kUntouched);
  ParseHexText(text, out.data(), length);
  return out;
}

TEST(ParseHexText, ConvertsDigitsOfEitherCase) {
  EXPECT_EQ(Convert("FF9811ff00", -1, 0), (Bytes{0xFF, 0x98, 0x11, 0xFF, 0x00}));
  EXPECT_EQ(Convert("0a1B2c", -1, 0), (Bytes{0x0A, 0x1B, 0x2C}));
}

TEST(ParseHexText, ABlankOrCommaEndsTheConversion) {
  EXPECT_EQ(Convert("FF 98 11"), (Bytes{0xFF, 0, 0, 0, kUntouched, kUntouched, kUntouched,
                                        kUntouched}));
  EXPECT_EQ(Convert("FF98,11", -1, 1), (Bytes{0xFF, 0x98, 0, kUntouched}));
  EXPECT_EQ(Convert("FF98\n1100", -1, 1), (Bytes{0xFF, 0x98, 0, 0, kUntouched}));
}

TEST(ParseHexText, RefusedTextLeavesTheBufferUntouched) {
  EXPECT_EQ(Convert("FF"), Bytes(5, kUntouched));        // too short
  EXPECT_EQ(Convert("FF98G1"), Bytes(7, kUntouched));    // not hex
  EXPECT_EQ(Convert("FF98\r\n"), Bytes(7, kUntouched));  // a carriage return is not allowed
}

TEST(ParseHexText, NeverWritesPastHalfTheTextLength) {
  // An odd digit count would start one byte too many.
  EXPECT_EQ(Convert("FF981", -1, 2), (Bytes{0xFF, 0x98, kUntouched, kUntouched}));
  // A length shorter than the text bounds the conversion as well.
  EXPECT_EQ(Convert("FF9811FF00", 4, 2), (Bytes{0xFF, 0x98, kUntouched, kUntouched}));
  // A length past the text's end stops at its NUL.
  const char text[] = "FF98\0GGGG";
  EXPECT_EQ(Convert(text, 8, 1), (Bytes{0xFF, 0x98, 0, 0, kUntouched}));
}

TEST(ParseHexText, LeavesTheCallersTextAsItIs) {
  char text[] = "FF98\n00";
  Convert(text);
  EXPECT_STREQ(text, "FF98\n00");
}

}  // namespace
}  // namespace vantel
