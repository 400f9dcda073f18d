// The card answer as a client reads it: members, escaping, signature; and the file reads
// that fill its photo texts.
#include "library/answers/card_answer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "answer_client.h"
#include "library/answers/read_file_base64.h"
#include "support/temp_folder.h"

namespace vantel {
namespace {

CardAnswerFields ResidentFields() {
  return {1,          "张三  ",     "1",      "汉",         "19900101", "北京市 东城区  ",
          "11010119900101123X", "北京市公安局", "20200101", "20400101"};
}

TEST(CardAnswer, ResidentAnswerIsTrimmedSignedAndInOrder) {
  CardPictures pictures;
  pictures.identityPic = "QUJD";
  pictures.identityPhotoSrc = "UkFX";
  const std::string answer = FormatCardAnswer(ResidentFields(), pictures);
  // Every text item in UTF-8, trimmed; the photo source not covered.
  const std::string signature = vantel_test::Sha1Hex(
      u8"1张三1汉19900101北京市 东城区11010119900101123X北京市公安局2020010120400101"
      u8"QUJDk7Pq!2wZr9@Lm4v#");
  EXPECT_EQ(answer,
            "{\"resultFlag\":0,\"errorMsg\":\"读卡正常\",\"venderId\":10008,\"signature\":\"" +
                signature +
                "\",\"resultContent\":{\"certType\":1,\"partyName\":\"张三\",\"gender\":1,"
                "\"nation\":\"汉\",\"bornDay\":\"19900101\",\"certAddress\":\"北京市 东城区\","
                "\"certNumber\":\"11010119900101123X\",\"certOrg\":\"北京市公安局\","
                "\"effDate\":\"20200101\",\"expDate\":\"20400101\",\"identityPic\":\"QUJD\","
                "\"identityPhotoSrc\":\"UkFX\"}}");
}

TEST(CardAnswer, CardImagesStandBeforeThePhotoSourceAndAreNotSigned) {
  CardAnswerFields fields = ResidentFields();
  fields.certType = PermitCertType("M1234");
  fields.gender = GenderCode("女");
  CardPictures pictures;
  pictures.identityPic = "QUJD";
  const std::string plain = FormatCardAnswer(fields, pictures);
  pictures.withImages = true;
  pictures.identityPrintPic = "UA==";
  pictures.identityFrontPic = "Rg==";
  pictures.identityBackPic = "Qg==";
  const std::string withImages = FormatCardAnswer(fields, pictures);
  const Json::Value root = vantel_test::ParseAnswer(withImages);
  EXPECT_EQ(root["resultContent"].getMemberNames().size(), 15u);
  EXPECT_NE(withImages.find("\"identityPic\":\"QUJD\",\"identityPrintPic\":\"UA==\","
                            "\"identityFrontPic\":\"Rg==\",\"identityBackPic\":\"Qg==\","
                            "\"identityPhotoSrc\":\"\"}}"),
            std::string::npos);
  EXPECT_EQ(root["resultContent"]["certType"].asInt(), 54);
  EXPECT_EQ(root["resultContent"]["gender"].asInt(), 0);
  EXPECT_EQ(root["signature"], vantel_test::ParseAnswer(plain)["signature"]);
  EXPECT_TRUE(vantel_test::SignatureHolds(withImages));
  EXPECT_EQ(PermitCertType("H1"), 54);
  EXPECT_EQ(PermitCertType("X1"), 55);
  EXPECT_EQ(PermitCertType(""), 55);
  EXPECT_EQ(GenderCode("男"), "1");
}

// Field text that JSON cannot carry as it stands is escaped per character; the client reads
// back what the signature covers.
TEST(CardAnswer, FieldTextIsEscapedPerCharacter) {
  struct Row {
    std::string raw;
    std::string inAnswer;
    std::string parsedUtf8;
  };
  const std::vector<Row> rows = {
      {"张三", "张三", u8"张三"},
      {"A\"B\\C", "A\\\"B\\\\C", "A\"B\\C"},
      {"A\x01\x1F" "B", "A\\u0001\\u001fB", "A\x01\x1F" "B"},
      // 運 is DF 5C in GBK: its trail byte is no backslash.
      {"運\"", "運\\\"", u8"運\""},
      // A lead byte without its trail byte is dropped, as the conversion drops it.
      {"A\x81\"", "A\\\"", "A\""},
      {"A\x81", "A\x81", "A"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.inAnswer);
    CardAnswerFields fields = ResidentFields();
    fields.partyName = row.raw;
    fields.certOrg = row.raw;
    const std::string answer = FormatCardAnswer(fields, CardPictures{});
    EXPECT_NE(answer.find("\"partyName\":\"" + row.inAnswer + "\""), std::string::npos);
    const Json::Value root = vantel_test::ParseAnswer(answer);
    EXPECT_EQ(root["resultContent"]["partyName"].asString(), row.parsedUtf8);
    EXPECT_TRUE(vantel_test::SignatureHolds(answer));
  }
}

TEST(ReadFileBase64, ReadsWholeFilesWithinTheCapacityOnly) {
  vantel_test::TempFolder folder;
  folder.Write("three", "abc");
  folder.Write("large", std::string(kMaxBase64FileSize + 1, 'x'));
  folder.Write("empty", "");
  struct Row {
    const char* file;
    long capacity;
    int result;
    std::string text;
  };
  const std::vector<Row> rows = {
      {"three", 5, 0, std::string("YWJj\0", 5)},
      {"three", 4, -2, ""},  // the text fits, its NUL does not
      {"empty", 1, 0, std::string(1, '\0')},
      {"large", 400000, -2, ""},
      {"missing", 100, -1, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.file);
    std::string out(row.capacity + 1, '\xCC');
    EXPECT_EQ(ReadFileBase64(folder.File(row.file).c_str(), &out[0], row.capacity), row.result);
    // The text on success, nothing at all on failure; nothing past the capacity.
    EXPECT_EQ(out.substr(0, row.text.size()), row.result == 0 ? row.text : std::string());
    EXPECT_EQ(out[row.result == 0 ? 0 : row.capacity], row.result == 0 ? row.text[0] : '\xCC');
    EXPECT_EQ(out[row.capacity], '\xCC');
  }
}

}  // namespace
}  // namespace vantel
