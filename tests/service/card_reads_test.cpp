// The service's identity-card reads in-process against the reader simulator behind the PC/SC
// service, through the reader library as the program loads it.
#include "service/api/card_reads.h"

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "card_reader_rig.h"
#include "platform/code_page.h"
#include "service/api/api_handler.h"
#include "service/api/card_decoding.h"
#include "service/shell/service_log.h"
#include "support/environment.h"
#include "support/id_card_writer.h"
#include "support/pcsc_service.h"

namespace {

using lumarin_test::Base64;
using vantel_test::Bytes;

// One answer's values as a client reads them (ANSI, as the service answers before the
// handler's UTF-8 conversion).
struct Values {
  int certType;
  std::string partyName, gender, nation, bornDay, certAddress, certNumber, certOrg, effDate,
      expDate;
};

std::string Utf8(const std::string& ansi) {
  return platform::Utf16ToUtf8(platform::AnsiToUtf16(ansi));
}

std::string Member(const char* name, const std::string& value) {
  return std::string("\"") + name + "\":\"" + value + "\"";
}

// The answer as the client expects it; `images` holds the three card images' texts for the
// certificate read.
std::string ExpectedAnswer(const Values& v, const std::string& identityPic,
                           const std::vector<std::string>& images = {}) {
  const std::string signature = lumarin_test::Sha1Hex(
      std::to_string(v.certType) + Utf8(v.partyName) + v.gender + Utf8(v.nation) + v.bornDay +
      Utf8(v.certAddress) + v.certNumber + Utf8(v.certOrg) + v.effDate + Utf8(v.expDate) +
      identityPic + "k7Pq!2wZr9@Lm4v#");
  std::string content = "{\"certType\":" + std::to_string(v.certType) + "," +
                        Member("partyName", v.partyName) + ",\"gender\":" + v.gender + "," +
                        Member("nation", v.nation) + "," + Member("bornDay", v.bornDay) + "," +
                        Member("certAddress", v.certAddress) + "," +
                        Member("certNumber", v.certNumber) + "," + Member("certOrg", v.certOrg) +
                        "," + Member("effDate", v.effDate) + "," + Member("expDate", v.expDate) +
                        "," + Member("identityPic", identityPic) + ",";
  const char* imageNames[] = {"identityPrintPic", "identityFrontPic", "identityBackPic"};
  for (std::size_t i = 0; i < images.size(); ++i)
    content += Member(imageNames[i], images[i]) + ",";
  const Bytes& photo = vantel_test::PortraitPhoto();
  content += Member("identityPhotoSrc", Base64(std::string(photo.begin(), photo.end()))) + "}";
  return "{\"resultFlag\":0,\"errorMsg\":\"读卡正常\",\"venderId\":10008," +
         Member("signature", signature) + ",\"resultContent\":" + content + "}";
}

std::string Read(int (*read)(char*, int*)) {
  std::vector<char> out(lumarin::kAnswerBufferSize, '\0');
  int length = -1;
  EXPECT_EQ(read(out.data(), &length), 0);
  EXPECT_GE(length, 0);
  return std::string(out.data(), static_cast<std::size_t>(length < 0 ? 0 : length));
}

vantel_test::ForeignFields TcaCard() {
  vantel_test::ForeignFields fields;
  fields.nationalityCode = u"TCA";
  return fields;
}

// First: once a test has attached the reader, it stays in the PC/SC service of the process.
TEST(ServiceReadCard, NoReaderFailsToOpenThePort) {
  if (lumarin_test::CardReaderRig::ReaderAttachedBefore())
    GTEST_SKIP() << "the PC/SC reader of an earlier test is still there";
  lumarin_test::CardReaderRig rig;
  // The PC/SC service runs, without a reader of a known name holding a card.
  VANTEL_SKIP_UNLESS_CI(vantel_test::StartPcscService().failure);
  EXPECT_EQ(Read(lumarin::ServiceReadCard), "{\"resultFlag\":-1,\"errorMsg\":\"端口打开失败\"}");
}

TEST(ServiceReadCard, AnswersEachKindSignedOverItsUtf8Values) {
  struct Row {
    const char* what;
    Bytes text;
    Values values;
  };
  const std::vector<Row> rows = {
      {"resident", vantel_test::ResidentText({}),
       {1, "张三", "1", "汉", "19900101", "北京市东城区 东华门大街1号", "11010119900101123X",
        "北京市公安局东城分局", "20200101", "20400101"}},
      {"foreign", vantel_test::ForeignText(TcaCard()),
       {50, "SMITH, JOHN", "1", "特克斯和凯科斯群岛", "19800101", "", "USA110090010101", "1100",
        "20230101", "20330101"}},
      {"permit", vantel_test::PermitText({}),
       {54, "李四", "0", "", "19851231", "香港特别行政区", "810000198512310026", "公安部",
        "20210101", "20260101"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    lumarin_test::CardReaderRig rig;
    VANTEL_SKIP_UNLESS_CI(rig.Attach());
    rig.sim().PlaceCard(vantel_test::IdCardWith(row.text));
    const std::string answer = Read(lumarin::ServiceReadCard);
    const std::string jpeg = rig.TempFile("photo.jpg");
    ASSERT_FALSE(jpeg.empty());
    EXPECT_EQ(answer, ExpectedAnswer(row.values, Base64(jpeg)));
  }
}

TEST(ServiceReadCard, RecordKindsDecideTheAnswerValues) {
  auto resident = [](auto change) {
    vantel_test::ResidentFields fields;
    change(fields);
    return vantel_test::ResidentText(fields);
  };
  auto foreign = [](const char16_t* code) {
    vantel_test::ForeignFields fields;
    fields.nationalityCode = code;
    return vantel_test::ForeignText(fields);
  };
  auto permit = [](const char16_t* pass) {
    vantel_test::PermitFields fields;
    fields.passNumber = pass;
    return vantel_test::PermitText(fields);
  };
  Bytes residentWithKindHighByte = vantel_test::ResidentText({});
  residentWithKindHighByte[248] = 'I';
  residentWithKindHighByte[249] = 1;
  struct Row {
    const char* what;
    Bytes text;
    const char* values;  // certType|partyName|gender|nation|certAddress|certNumber
  };
  const std::vector<Row> rows = {
      {"USA", foreign(u"USA"), "50|SMITH, JOHN|1|美国||USA110090010101"},
      {"XYZ", foreign(u"XYZ"), "50|SMITH, JOHN|1|其他国家||USA110090010101"},
      {"H", permit(u"H12345678"), "54|李四|0||香港特别行政区|810000198512310026"},
      {"M", permit(u"M12345678"), "54|李四|0||香港特别行政区|810000198512310026"},
      {"T", permit(u"T12345678"), "55|李四|0||香港特别行政区|810000198512310026"},
      {"resident 81", resident([](auto& f) { f.idNumber = u"810000199001011234"; }),
       "55|张三|1||北京市东城区 东华门大街1号|810000199001011234"},
      {"I with high byte", residentWithKindHighByte,
       "1|张三|1|汉|北京市东城区 东华门大街1号|11010119900101123X"},
      {"nation 57", resident([](auto& f) { f.nation = u"57"; }),
       "1|张三|1|其他|北京市东城区 东华门大街1号|11010119900101123X"},
      {"nation 97 gender 2", resident([](auto& f) { f.nation = u"97"; f.gender = u"2"; }),
       "1|张三|0|穿青人|北京市东城区 东华门大街1号|11010119900101123X"},
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

TEST(ServiceReadCard, FailedStepsAnswerTheirMessage) {
  struct Row {
    const char* what;
    bool card;
    bool shortPacket;
    bool badPhoto;
    const char* message;
  };
  const Row rows[] = {
      {"no card", false, false, false, "卡片认证失败或无卡"},
      {"short base-message packet", true, true, false, "读卡失败"},
      // An earlier read's photo must not be answered for this card.
      {"undecodable photo", true, false, true, "生成头像失败"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    lumarin_test::CardReaderRig rig;
    VANTEL_SKIP_UNLESS_CI(rig.Attach());
    rig.temp().Write("photo.jpg", "an earlier holder's photo");
    if (row.card) {
      auto card = vantel_test::IdCardWith(vantel_test::ResidentText({}));
      if (row.badPhoto) card->photo = Bytes(1024, 0x00);
      rig.sim().PlaceCard(card);
    }
    if (row.shortPacket) {
      vantel_test::FaultPlan plan;
      plan.fault = vantel_test::Fault::kShortPacket;
      rig.sim().SetStandingFault(plan);
    }
    EXPECT_EQ(Read(lumarin::ServiceReadCard),
              std::string("{\"resultFlag\":-1,\"errorMsg\":\"") + row.message + "\"}");
  }
}

TEST(ServiceReadCard, LogsEachStepInOrder) {
  lumarin_test::CardReaderRig rig;
  VANTEL_SKIP_UNLESS_CI(rig.Attach());
  rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
  lumarin::gServiceLogOn = 1;
  Read(lumarin::ServiceReadCard);
  lumarin::gServiceLogOn = 0;
  std::istringstream log(rig.TempFile("server_debug.log"));
  std::string lines;
  const std::regex stamp("^\\d{4}-\\d+-\\d+ \\d+:\\d+:\\d+: "), elapsed(": \\d+ms");
  for (std::string line; std::getline(log, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();  // the text mode of Windows
    lines += std::regex_replace(std::regex_replace(line, stamp, ""), elapsed, ": Nms") + "\n";
  }
  EXPECT_EQ(lines,
            "********************enter dll readCard********************\n"
            "init time : Nms\n端口打开成功\n卡认证成功\nread card time : Nms\n"
            "DecideIDCardType的返回值 ret=100\ncreate inputstr time : Nms\nhash time : Nms\n"
            "make json time : Nms\nfinish time : Nms\n");
}

TEST(ServiceReadCert, AnswersTheThreeCardImagesBeforeThePhotoSource) {
  lumarin_test::CardReaderRig rig;
  VANTEL_SKIP_UNLESS_CI(rig.Attach());
  rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
  const std::string answer = Read(lumarin::ServiceReadCert);
  std::vector<std::string> images;
  for (const char* name : {"card.jpg", "1.jpg", "2.jpg"}) {
    const std::string image = rig.TempFile(name);
    ASSERT_FALSE(image.empty()) << name;
    images.push_back(Base64(image));
  }
  const Values values{1, "张三", "1", "汉", "19900101", "北京市东城区 东华门大街1号",
                      "11010119900101123X", "北京市公安局东城分局", "20200101", "20400101"};
  EXPECT_EQ(answer, ExpectedAnswer(values, Base64(rig.TempFile("photo.jpg")), images));
}

}  // namespace
