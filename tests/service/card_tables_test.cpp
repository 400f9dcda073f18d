#include "service/api/card_tables.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <utility>

namespace {

TEST(CountryNames, EveryRowHasItsOwnThreeLetterCodeAndANameThatFitsTheBuffer) {
  std::set<std::string> codes;
  for (const lumarin::CountryName& country : lumarin::CountryNames) {
    SCOPED_TRACE(country.code);
    ASSERT_EQ(std::strlen(country.code), 3u);
    for (int i = 0; i < 3; ++i)
      EXPECT_TRUE(std::isupper(static_cast<unsigned char>(country.code[i])));
    EXPECT_TRUE(codes.insert(country.code).second);
    EXPECT_LT(std::strlen(country.name), lumarin::kCountryNameBufferSize);
  }
  EXPECT_EQ(std::string(lumarin::CountryNames[0].code), "AFG");
  EXPECT_EQ(std::string(lumarin::CountryNames[lumarin::kCountryCount - 1].code), "ZWE");
}

TEST(CountryNames, LookupFindsWholeCaseSensitiveCodesElseOtherCountry) {
  struct Row {
    const char* code;
    int result;
    const char* name;
  };
  const Row rows[] = {
      {"CHN", 0, "中国"},
      {"USA", 0, "美国"},
      {"GMB", 0, "冈比亚Gambia"},
      {"TCA", 0, "特克斯和凯科斯群岛 "},
      {"SGS", 0, "南乔治亚岛和南桑德韦奇岛"},  // the longest: 24 bytes
      {"ZWE", 0, "津巴布韦"},
      {"XYZ", -2, "其他国家"},
      {"chn", -2, "其他国家"},
      {"CHNA", -2, "其他国家"},
      {"", -2, "其他国家"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    char out[lumarin::kCountryNameBufferSize] = {};
    EXPECT_EQ(lumarin::LookupCountryName(row.code, out), row.result);
    EXPECT_EQ(std::string(out), row.name);
  }
  char out[lumarin::kCountryNameBufferSize] = {};
  EXPECT_EQ(lumarin::LookupCountryName(nullptr, out), -1);
  EXPECT_EQ(lumarin::LookupCountryName("CHN", nullptr), -1);
}

TEST(NationNames, LookupNamesCodes1To99AndLeavesEveryOtherTextEmpty) {
  const std::pair<const char*, const char*> rows[] = {
      {"01", "汉"},   {"56", "基诺"}, {"57", "其他"}, {"93", "其他"}, {"94", "芒人"},
      {"97", "穿青人"}, {"99", "其他族"}, {"00", ""},   {"-1", ""},   {"100", ""},
      {"ab", ""},     {"", ""},       {"99999999999999999999", ""},
  };
  for (const auto& [code, name] : rows) {
    SCOPED_TRACE(code);
    char out[lumarin::kNationNameBufferSize];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(lumarin::LookupNationName(code, out), 0);
    EXPECT_EQ(std::string(out), name);
  }
  char out[lumarin::kNationNameBufferSize] = {};
  EXPECT_EQ(lumarin::LookupNationName(nullptr, out), 0);
  EXPECT_EQ(std::string(out), "");
}

}  // namespace
