#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

// "中文" in GBK and in UTF-8.
const std::string kGbk = "\xD6\xD0\xCE\xC4";
const std::string kUtf8 = "\xE4\xB8\xAD\xE6\x96\x87";

TEST(CodePage, AnsiIsGbk) {
  EXPECT_EQ(AnsiToUtf16(kGbk), u"\u4E2D\u6587");
  EXPECT_EQ(Utf16ToAnsi(u"\u4E2D\u6587"), kGbk);
  EXPECT_EQ(AnsiToUtf16("abc"), u"abc");
}

TEST(CodePage, Utf8BothWays) {
  EXPECT_EQ(Utf16ToUtf8(u"\u4E2D\u6587 A"), kUtf8 + " A");
  EXPECT_EQ(Utf8ToUtf16(kUtf8), u"\u4E2D\u6587");
}

TEST(CodePage, EmptyTextsStayEmpty) {
  EXPECT_EQ(AnsiToUtf16(""), u"");
  EXPECT_EQ(Utf16ToAnsi(u""), "");
}

}  // namespace
}  // namespace platform

namespace platform {
namespace {

// The system's own texts are compiled into the ANSI code page.
TEST(CodePage, TextLiteralsAreCompiledAsGbk) {
#if defined(__GNUC__) && !defined(__clang__)
  EXPECT_EQ(std::string("中文"), kGbk);
  EXPECT_EQ(std::string(u8"中文"), kUtf8);
#else
  GTEST_SKIP() << "this compiler keeps literals in UTF-8";
#endif
}

}  // namespace
}  // namespace platform
