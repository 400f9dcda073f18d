#include "library/cards/string_functions.h"

#include <gtest/gtest.h>

#include <string>

namespace vantel {
namespace {

std::string Trimmed(std::string text) {
  TrimRight(text);
  return text;
}

TEST(TrimRight, RemovesTrailingSpacesOnly) {
  EXPECT_EQ(Trimmed("Zhang  "), "Zhang");
  EXPECT_EQ(Trimmed("   "), "");
  EXPECT_EQ(Trimmed(""), "");
  EXPECT_EQ(Trimmed(" a b "), " a b");
  EXPECT_EQ(Trimmed("tab\t"), "tab\t");
}

TEST(AnsiToUtf8, GbkCharactersBecomeThreeBytesEach) {
  // "中文" in GBK, then ASCII.
  const std::string utf8 = AnsiToUtf8("\xD6\xD0\xCE\xC4" "ab");
  EXPECT_EQ(utf8, "\xE4\xB8\xAD\xE6\x96\x87" "ab");
  EXPECT_EQ(AnsiToUtf8(""), "");
}

}  // namespace
}  // namespace vantel
