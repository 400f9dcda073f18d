#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include "support/temp_folder.h"

namespace platform {
namespace {

class IniFile : public ::testing::Test {
 protected:
  void SetUp() override {
    temp.Write("config.ini",
               "; comment\r\n[Config]\r\nhttp_port = 18000\r\nname=\"quoted\"\r\n"
               "[Socket]\r\nIp=127.0.0.1\r\nPort=abc\r\n");
    path = temp.File("config.ini");
  }
  vantel_test::TempFolder temp;
  std::string path;
};

TEST_F(IniFile, ReadsValuesWithBlanksAndQuotesDropped) {
  EXPECT_EQ(ReadIniString(path, "Config", "http_port", "x", 64), "18000");
  EXPECT_EQ(ReadIniString(path, "config", "NAME", "x", 64), "quoted");
  EXPECT_EQ(ReadIniString(path, "Socket", "Ip", "x", 64), "127.0.0.1");
}

TEST_F(IniFile, MissingSectionKeyOrFileGivesTheDefault) {
  EXPECT_EQ(ReadIniString(path, "Config", "Ip", "dflt", 64), "dflt");
  EXPECT_EQ(ReadIniString(path, "Nope", "http_port", "dflt", 64), "dflt");
  EXPECT_EQ(ReadIniString(temp.File("none.ini"), "Config", "http_port", "dflt", 64), "dflt");
  EXPECT_EQ(ReadIniInt(temp.File("none.ini"), "Config", "http_port", 18889), 18889);
}

TEST_F(IniFile, ValuesAreCutToTheBuffer) {
  EXPECT_EQ(ReadIniString(path, "Config", "http_port", "x", 3), "18");
  EXPECT_EQ(ReadIniString(path, "Config", "http_port", "x", 0), "");
}

TEST_F(IniFile, IntegersTakeTheLeadingDigits) {
  EXPECT_EQ(ReadIniInt(path, "Config", "http_port", 1), 18000);
  EXPECT_EQ(ReadIniInt(path, "Socket", "Port", 8899), 0);
}

}  // namespace
}  // namespace platform
