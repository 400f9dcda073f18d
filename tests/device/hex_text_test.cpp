// Hex text of APDUs: both directions.
#include "library/device/hex_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace vantel {
namespace {

TEST(HexText, ConvertsUntilTheFirstForeignCharacter) {
  struct Row {
    const char* text;
    int result;
    std::vector<unsigned char> bytes;  // what lies in the output afterwards (0xEE untouched)
  };
  const Row rows[] = {
      {"00B0aF9c", 0, {0x00, 0xB0, 0xAF, 0x9C}},
      {"12x456", -1, {0x12, 0xEE, 0xEE}},
      {"1 23", -1, {0xEE, 0xEE}},
      {"ABC", 0, {0xAB, 0xEE}},  // an odd last digit is not converted
      {"ABG", -1, {0xAB, 0xEE}},
      {"", 0, {0xEE}},
  };
  for (const Row& row : rows) {
    std::vector<unsigned char> out(row.bytes.size(), 0xEE);
    EXPECT_EQ(HexToBytes(row.text, out.data(), static_cast<int>(std::strlen(row.text))), row.result)
        << row.text;
    EXPECT_EQ(out, row.bytes) << row.text;
  }
}

TEST(HexText, LowerCaseTextRoundTrips) {
  const unsigned char bytes[] = {0x00, 0xB0, 0x80, 0x0F, 0xFF};
  char text[11];
  std::memset(text, 'x', sizeof text);
  BytesToLowerHex(text, 5, bytes);
  EXPECT_STREQ(text, "00b0800fff");
  unsigned char back[5] = {};
  EXPECT_EQ(HexToBytes(text, back, 10), 0);
  EXPECT_EQ(std::memcmp(back, bytes, 5), 0);
}

}  // namespace
}  // namespace vantel
