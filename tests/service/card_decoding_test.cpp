#include "service/api/card_decoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "service/api/card_tables.h"
#include "support/id_card_writer.h"

namespace {

using vantel_test::Bytes;

TEST(DecideIDCardType, KindCharacterThenTheIdNumberRule) {
  vantel_test::ResidentFields resident;
  auto withIdNumber = [](const char16_t* number) {
    vantel_test::ResidentFields fields;
    fields.idNumber = number;
    return vantel_test::ResidentText(fields);
  };
  Bytes foreignWithHighByte = vantel_test::ForeignText({});
  foreignWithHighByte[249] = 0x01;
  Bytes foreignWithPermitNumber = vantel_test::ForeignText({});
  foreignWithPermitNumber[122] = '8';
  foreignWithPermitNumber[124] = '1';
  Bytes permitOfResidentNumber = vantel_test::PermitText({});
  permitOfResidentNumber[122] = '1';
  struct Row {
    const char* what;
    Bytes text;
    int kind;
  };
  const std::vector<Row> rows = {
      {"resident", vantel_test::ResidentText(resident), 100},
      {"foreign", vantel_test::ForeignText({}), 101},
      {"permit", vantel_test::PermitText({}), 102},
      {"permit mark with any ID number", permitOfResidentNumber, 102},
      {"foreign mark beats the ID rule", foreignWithPermitNumber, 101},
      {"kind byte with a high byte", foreignWithHighByte, 100},
      {"81", withIdNumber(u"810000198512310026"), 102},
      {"82", withIdNumber(u"820000198512310026"), 102},
      {"83", withIdNumber(u"830000198512310026"), 102},
      {"84", withIdNumber(u"840000198512310026"), 100},
      {"18", withIdNumber(u"180000198512310026"), 100},
      {"wide characters", withIdNumber(u"中华人民共和国居民身份证号码长长长长"), 100},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(lumarin::DecideIDCardType(row.text.data()), row.kind);
  }
}

struct ResidentOut {
  char name[31], gender[3], nation[lumarin::kNationNameBufferSize], birth[9], idNumber[19],
      address[71], authority[31], start[9], end[9];
};

ResidentOut DecodeResident(const Bytes& text) {
  ResidentOut out;
  lumarin::DecodeIdCardText(text.data(), out.name, out.gender, out.nation, out.birth,
                            out.idNumber, out.address, out.authority, out.start, out.end);
  return out;
}

TEST(DecodeIdCardText, FieldsTrimmedGenderAndNationAsTheServiceReadsThem) {
  vantel_test::ResidentFields fields;
  fields.address = u"北京市东城区东华门大街一号院一号楼一单元一零一室北京市东城区东华门";  // 35
  ResidentOut out = DecodeResident(vantel_test::ResidentText(fields));
  EXPECT_EQ(std::string(out.name), "张三");
  EXPECT_EQ(std::string(out.gender), "男");
  EXPECT_EQ(std::string(out.nation), "汉");
  EXPECT_EQ(std::string(out.birth), "19900101");
  EXPECT_EQ(std::string(out.idNumber), "11010119900101123X");
  EXPECT_EQ(std::string(out.address),
            "北京市东城区东华门大街一号院一号楼一单元一零一室北京市东城区东华门");
  EXPECT_EQ(std::string(out.authority), "北京市公安局东城分局");
  EXPECT_EQ(std::string(out.start), "20200101");
  EXPECT_EQ(std::string(out.end), "20400101");

  const std::pair<const char16_t*, const char*> nations[] = {
      {u"56", "基诺"}, {u"57", "其他"}, {u"97", "穿青人"}, {u"99", "其他族"},
      {u"00", ""},     {u"-1", ""},     {u"1 ", "汉"},     {u"ab", ""},
      {u"汉族", ""},
  };
  for (const auto& [code, name] : nations) {
    fields.nation = code;
    EXPECT_EQ(std::string(DecodeResident(vantel_test::ResidentText(fields)).nation), name);
  }
  for (const char16_t* gender : {u"2", u"0", u"男"}) {
    fields.gender = gender;
    EXPECT_EQ(std::string(DecodeResident(vantel_test::ResidentText(fields)).gender), "女");
  }
  fields.name = u"";
  EXPECT_EQ(std::string(DecodeResident(vantel_test::ResidentText(fields)).name), " ");
}

TEST(DecodeForeignCardText, CountryNameByCodeAndTrimmedNames) {
  const std::pair<const char16_t*, const char*> countries[] = {
      {u"USA", "美国"},
      {u"CHN", "中国"},
      {u"TCA", "特克斯和凯科斯群岛 "},
      {u"XYZ", "其他国家"},
      {u"usa", "其他国家"},
      {u"中国人", "其他国家"},
  };
  for (const auto& [code, country] : countries) {
    vantel_test::ForeignFields fields;
    fields.nationalityCode = code;
    const Bytes text = vantel_test::ForeignText(fields);
    char englishName[121], gender[3], number[31], countryName[lumarin::kCountryNameBufferSize],
        chineseName[31], birth[9], start[9], end[9], version[5], authority[9], type[3],
        reserved[7];
    lumarin::DecodeForeignCardText(text.data(), englishName, gender, number, countryName,
                                   chineseName, birth, start, end, version, authority, type,
                                   reserved);
    EXPECT_EQ(std::string(countryName), country);
    EXPECT_EQ(std::string(englishName), "SMITH, JOHN");
    EXPECT_EQ(std::string(gender), "男");
    EXPECT_EQ(std::string(number), "USA110090010101");
    EXPECT_EQ(std::string(chineseName), "约翰");
    EXPECT_EQ(std::string(birth) + start + end, "198001012023010120330101");
    EXPECT_EQ(std::string(version) + authority + type, "021100I");
  }
}

TEST(DecodeGatCardText, AddressAndAuthorityTrimmedPassNumberWhole) {
  const Bytes text = vantel_test::PermitText({});
  char name[31], gender[3], reserved1[5], birth[9], address[71], idNumber[19], authority[31],
      start[9], end[9], pass[19], issues[5], reserved2[7], type[3], reserved3[7];
  lumarin::DecodeGatCardText(text.data(), name, gender, reserved1, birth, address, idNumber,
                             authority, start, end, pass, issues, reserved2, type, reserved3);
  EXPECT_EQ(std::string(name), "李四");
  EXPECT_EQ(std::string(gender), "女");
  EXPECT_EQ(std::string(address), "香港特别行政区");
  EXPECT_EQ(std::string(idNumber), "810000198512310026");
  EXPECT_EQ(std::string(authority), "公安部");
  EXPECT_EQ(std::string(birth) + start + end, "198512312021010120260101");
  EXPECT_EQ(std::string(pass), "H12345678");
  EXPECT_EQ(std::string(issues) + type, "01J");
}

}  // namespace
