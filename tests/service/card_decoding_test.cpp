// The service's record path without a reader: the card kind, the kind's decoder and the
// answer values of a text record.
#include "service/api/card_decoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/id_card_writer.h"

namespace {

using vantel_test::Bytes;

Bytes Resident(void (*change)(vantel_test::ResidentFields&)) {
  vantel_test::ResidentFields fields;
  change(fields);
  return vantel_test::ResidentText(fields);
}

Bytes Foreign(const char16_t* code, const char16_t* number = u"USA110090010101") {
  vantel_test::ForeignFields fields;
  fields.nationalityCode = code;
  fields.cardNumber = number;
  return vantel_test::ForeignText(fields);
}

Bytes Permit(const char16_t* pass) {
  vantel_test::PermitFields fields;
  fields.passNumber = pass;
  return vantel_test::PermitText(fields);
}

Bytes WithKindByte(Bytes text, std::uint8_t kind, std::uint8_t high) {
  text[248] = kind;
  text[249] = high;
  return text;
}

TEST(CardRecord, KindDecoderAndAnswerValues) {
  const char* address = "北京市东城区 东华门大街1号";
  struct Row {
    const char* what;
    Bytes text;
    std::string values;  // certType|partyName|gender|nation|certAddress|certNumber
  };
  const std::vector<Row> rows = {
      {"resident", Resident([](auto&) {}),
       std::string("1|张三|1|汉|") + address + "|11010119900101123X"},
      {"foreign", Foreign(u"USA"), "50|SMITH, JOHN|1|美国||USA110090010101"},
      {"foreign TCA", Foreign(u"TCA"), "50|SMITH, JOHN|1|特克斯和凯科斯群岛||USA110090010101"},
      {"foreign XYZ", Foreign(u"XYZ"), "50|SMITH, JOHN|1|其他国家||USA110090010101"},
      {"foreign code lower case", Foreign(u"usa"), "50|SMITH, JOHN|1|其他国家||USA110090010101"},
      {"foreign code wide", Foreign(u"中国人"), "50|SMITH, JOHN|1|其他国家||USA110090010101"},
      {"foreign mark beats the ID rule", Foreign(u"USA", u"810000000000000"),
       "50|SMITH, JOHN|1|美国||810000000000000"},
      {"permit H", Permit(u"H12345678"), "54|李四|0||香港特别行政区|810000198512310026"},
      {"permit M", Permit(u"M12345678"), "54|李四|0||香港特别行政区|810000198512310026"},
      {"permit T", Permit(u"T12345678"), "55|李四|0||香港特别行政区|810000198512310026"},
      {"resident 81", Resident([](auto& f) { f.idNumber = u"810000199001011234"; }),
       std::string("55|张三|1||") + address + "|810000199001011234"},
      {"resident 83", Resident([](auto& f) { f.idNumber = u"830000199001011234"; }),
       std::string("55|张三|1||") + address + "|830000199001011234"},
      {"resident 84", Resident([](auto& f) { f.idNumber = u"840000199001011234"; }),
       std::string("1|张三|1|汉|") + address + "|840000199001011234"},
      // Wide characters fill the 18-byte ID number whole characters at a time.
      {"resident wide ID", Resident([](auto& f) { f.idNumber = u"中华人民共和国居民身份证号码长长长长"; }),
       std::string("1|张三|1|汉|") + address + "|中华人民共和国居民"},
      {"I with a high byte", WithKindByte(Resident([](auto&) {}), 'I', 1),
       std::string("1|张三|1|汉|") + address + "|11010119900101123X"},
      {"J with a high byte", WithKindByte(Resident([](auto&) {}), 'J', 1),
       std::string("1|张三|1|汉|") + address + "|11010119900101123X"},
      {"nation 56 gender 2", Resident([](auto& f) { f.nation = u"56"; f.gender = u"2"; }),
       std::string("1|张三|0|基诺|") + address + "|11010119900101123X"},
      {"nation 57 gender 0", Resident([](auto& f) { f.nation = u"57"; f.gender = u"0"; }),
       std::string("1|张三|0|其他|") + address + "|11010119900101123X"},
      {"nation 97", Resident([](auto& f) { f.nation = u"97"; }),
       std::string("1|张三|1|穿青人|") + address + "|11010119900101123X"},
      {"nation 00", Resident([](auto& f) { f.nation = u"00"; }),
       std::string("1|张三|1||") + address + "|11010119900101123X"},
      {"nation -1", Resident([](auto& f) { f.nation = u"-1"; }),
       std::string("1|张三|1||") + address + "|11010119900101123X"},
      {"nation read as a number", Resident([](auto& f) { f.nation = u"1 "; }),
       std::string("1|张三|1|汉|") + address + "|11010119900101123X"},
      {"blank name, full address", Resident([](auto& f) {
         f.name = u"";
         f.address = u"北京市东城区东华门大街一号院一号楼一单元一零一室北京市东城区东华门大街";
       }),
       "1||1|汉|北京市东城区东华门大街一号院一号楼一单元一零一室北京市东城区东华门大街|"
       "11010119900101123X"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const vantel::CardAnswerFields f =
        lumarin::CardAnswerFieldsOf(row.text.data(), lumarin::DecideIDCardType(row.text.data()));
    EXPECT_EQ(std::to_string(f.certType) + "|" + f.partyName + "|" + f.gender + "|" + f.nation +
                  "|" + f.certAddress + "|" + f.certNumber,
              row.values);
  }
}

}  // namespace
