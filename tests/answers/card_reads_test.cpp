// The library's whole card reads: readCard's answer for each card kind and its failures,
// and the "|" text of Kestor_ReadAllTypeCardInfos with its photo copy.
#include "library/answers/library_card_answers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "answer_client.h"
#include "answer_fixture.h"
#include "library/answers/card_answer.h"
#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "library/device/port_api.h"
#include "library/device/text_conversions.h"
#include "library/exports/idcard_exports.h"
#include "platform/module_paths.h"
#include "support/id_card_writer.h"
#include "../idcard/sibling_doubles.h"

namespace vantel {
namespace {

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Base64Of(const std::string& bytes) {
  std::string text(bytes.size() / 3 * 4 + 5, '\0');
  text.resize(static_cast<std::size_t>(Base64Encode(
      &text[0], reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()))));
  return text;
}

// A read into a buffer of untouched bytes: the answer by outLen, checked to end there.
std::string ReadCardAnswer(int (*read)(char*, int*) = readCard) {
  std::vector<char> out(1024 * 1024, kUntouched);
  int length = -1;
  EXPECT_EQ(read(out.data(), &length), 0);
  if (length < 0 || static_cast<std::size_t>(length) >= out.size()) return "no answer";
  EXPECT_EQ(out[static_cast<std::size_t>(length)], kUntouched);
  return std::string(out.data(), static_cast<std::size_t>(length));
}

// The pictures of the answer as the files the read left in `folder` and the card's photo.
CardPictures PicturesLeftIn(const vantel_test::TempFolder& folder, bool withImages) {
  CardPictures pictures;
  pictures.identityPic = Base64Of(FileBytes(folder.File("photo.jpg")));
  pictures.withImages = withImages;
  if (withImages) {
    pictures.identityPrintPic = Base64Of(FileBytes(folder.File("card.jpg")));
    pictures.identityFrontPic = Base64Of(FileBytes(folder.File("1.jpg")));
    pictures.identityBackPic = Base64Of(FileBytes(folder.File("2.jpg")));
  }
  const Bytes& photo = vantel_test::PortraitPhoto();
  pictures.identityPhotoSrc = Base64Of(std::string(photo.begin(), photo.end()));
  return pictures;
}

struct CardCase {
  const char* name;
  Bytes text;
  CardAnswerFields fields;
};

std::vector<CardCase> CardCases() {
  vantel_test::PermitFields otherPermit;
  otherPermit.passNumber = u"X12345678";
  const CardAnswerFields permit{54, "李四", "0", "", "19851231", "香港特别行政区", "810000198512310026",
                                "公安部", "20210101", "20260101"};
  CardAnswerFields other = permit;
  other.certType = 55;
  return {
      {"resident", vantel_test::ResidentText({}),
       {1, "张三", "1", "汉", "19900101", "北京市东城区 东华门大街1号", "11010119900101123X",
        "北京市公安局东城分局", "20200101", "20400101"}},
      {"foreign", vantel_test::ForeignText({}),
       {50, "SMITH, JOHN", "1", "USA", "19800101", "", "USA110090010101", "1100", "20230101",
        "20330101"}},
      {"permit H", vantel_test::PermitText({}), permit},
      {"permit X", vantel_test::PermitText(otherPermit), other},
  };
}

TEST_P(JsonAnswers, ReadCardAnswersEachKindSigned) {
  for (const CardCase& row : CardCases()) {
    SCOPED_TRACE(row.name);
    rig.sim().PlaceCard(vantel_test::IdCardWith(row.text));
    const std::string answer = ReadCardAnswer();
    const CardPictures pictures = PicturesLeftIn(photos, false);
    EXPECT_FALSE(pictures.identityPic.empty());
    EXPECT_EQ(answer, FormatCardAnswer(row.fields, pictures));
    EXPECT_TRUE(vantel_test::SignatureHolds(answer));
  }
}

void ExpectNoPhotoSourceForOtherLength(vantel_test::ReaderSim& sim) {
  auto card = vantel_test::IdCardWith(vantel_test::ResidentText({}));
  card->photo.resize(1000);
  card->statedPhotoLength = 1000;
  sim.PlaceCard(card);
  const Json::Value root = vantel_test::ParseAnswer(ReadCardAnswer());
  EXPECT_EQ(root["resultFlag"].asInt(), 0);
  EXPECT_EQ(root["resultContent"]["identityPhotoSrc"].asString(), "");
}

TEST_P(JsonAnswers, ReadCardFailuresAnswerTheirStep) {
  rig.sim().RemoveCard();
  EXPECT_EQ(ReadCardAnswer(), "{\"resultFlag\":-1,\"errorMsg\":\"卡片认证失败或无卡\"}");

  // A photo of another length is not answered as the card's, but still decoded. (A PC/SC
  // reader hands the message out in packets of fixed size: no other length there.)
  if (GetParam() != Via::kPcsc) ExpectNoPhotoSourceForOtherLength(rig.sim());

  // No temporary folder to write the bitmap into.
  {
    TempFolderVariables missing((photos.path() / "missing").string());
    rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
    EXPECT_EQ(ReadCardAnswer(), "{\"resultFlag\":-1,\"errorMsg\":\"打开照片失败\"}");
  }

  // A photo that does not decode is no success with the previous card's photo.
  rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
  ReadCardAnswer();
  auto undecodable = vantel_test::IdCardWith(vantel_test::ResidentText({}));
  undecodable->photo.assign(1024, 0);
  rig.sim().PlaceCard(undecodable);
  EXPECT_EQ(ReadCardAnswer(), "{\"resultFlag\":-1,\"errorMsg\":\"打开照片失败\"}");

  int length = 7;
  readCard(nullptr, &length);
  EXPECT_EQ(length, 7);
}

TEST_P(JsonAnswers, ReadCertAddsTheCardImagesOrFailsWithoutOne) {
  const CardCase resident = CardCases().front();
  // The photo reader itself finds the back image missing.
  {
    vantel_test::TempFolder otherTemp;
    TempFolderVariables variables(otherTemp.path().string());
    InstallDoubles("morvik", "quellan_without_2jpg");
    rig.sim().PlaceCard(vantel_test::IdCardWith(resident.text));
    EXPECT_EQ(ReadCardAnswer(readCert), "{\"resultFlag\":-1,\"errorMsg\":\"读卡失败\"}");
  }
  InstallDoubles("morvik", "quellan");
  rig.sim().PlaceCard(vantel_test::IdCardWith(resident.text));
  const std::string answer = ReadCardAnswer(readCert);
  const CardPictures pictures = PicturesLeftIn(photos, true);
  EXPECT_FALSE(pictures.identityBackPic.empty());
  EXPECT_EQ(answer, FormatCardAnswer(resident.fields, pictures));
  EXPECT_TRUE(vantel_test::SignatureHolds(answer));
}

// readCard and readCert keep the card's message only once the port has opened and the search
// has found the card, and drop it on every return: wherever they stop (the port refused, no
// card, a photo not decoded after the read), nothing is left for the next base-message read.
TEST_P(JsonAnswers, CardReadsLeaveNoMessageBehindWhereverTheyStop) {
  const bool hid = GetParam() == Via::kHid;
  const char* const failures[] = {"端口打开失败", "卡片认证失败或无卡", nullptr};
  for (auto read : {readCard, readCert}) {
    for (int stop = hid ? 0 : 1; stop < 3; ++stop) {
      SCOPED_TRACE(stop);
      auto card = vantel_test::IdCardWith(vantel_test::ResidentText({}));
      if (stop == 2) card->photo.assign(1024, 0);
      rig.sim().PlaceCard(card);
      if (stop == 1) rig.sim().RemoveCard();
      if (stop == 0) rig.hid.Readers().front().productId = 0x0001;
      const std::string answer = ReadCardAnswer(read);
      EXPECT_EQ(answer.rfind("{\"resultFlag\":-1,", 0), 0u) << answer;
      EXPECT_TRUE(!failures[stop] || answer.find(failures[stop]) != std::string::npos);
      if (hid) rig.hid.Readers().front().productId = 0x8159;
      rig.sim().RemoveCard();
      ASSERT_EQ(InitComm(rig.Port()), 1);
      unsigned char text[256], photo[1024];
      unsigned textLength = 0, photoLength = 0;
      EXPECT_NE(ZRT_ReadBaseMsg(rig.Port(), text, &textLength, photo, &photoLength, 0), 144);
    }
  }
}

TEST_P(JsonAnswers, AllTypeCardInfosJoinTheFieldsAndCopyThePhoto) {
  vantel_test::ResidentFields longTerm;
  longTerm.endDate = u"长期";
  rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText(longTerm)));
  vantel_test::TempFolder target;
  const std::string folder = target.path().string() + platform::kPathSeparator;
  char out[256];
  EXPECT_EQ(Kestor_ReadAllTypeCardInfos(rig.Port(), out, folder.c_str()), 1);
  const std::string text = out;
  EXPECT_EQ(text.substr(0, text.find('|', text.find('|') + 1)), "张三|男");
  EXPECT_EQ(text.substr(text.rfind('|')), "|20200101-永久");
  const std::string photo = FileBytes(LibraryFolder() + platform::kPathSeparator + "photo.jpg");
  EXPECT_FALSE(photo.empty());
  EXPECT_EQ(FileBytes(target.File("photo.jpg")), photo);
  EXPECT_EQ(Device().gRepeat, 1);

  rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ForeignText({})));
  EXPECT_EQ(Kestor_ReadAllTypeCardInfos(rig.Port(), out, nullptr), 2);
  EXPECT_EQ(std::string(out), "SMITH, JOHN|约翰|男|USA|19800101|USA110090010101|1100|20230101|"
                              "20330101|20230101-20330101");

  rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::PermitText({})));
  EXPECT_EQ(Kestor_ReadAllTypeCardInfos(rig.Port(), out, ""), -4);
  // The permit's message, read to decide its kind, went with the call: once the card has
  // left, a read finds no card rather than the permit.
  rig.sim().RemoveCard();
  ASSERT_EQ(InitComm(rig.Port()), 1);
  unsigned char cardText[256] = {};
  unsigned char cardPhoto[1024] = {};
  unsigned textLength = 0;
  unsigned photoLength = 0;
  EXPECT_NE(ZRT_ReadBaseMsg(rig.Port(), cardText, &textLength, cardPhoto, &photoLength, 0), 144);
  EXPECT_EQ(Kestor_ReadAllTypeCardInfos(rig.Port(), nullptr, ""), -1);
  EXPECT_EQ(Kestor_ReadAllTypeCardInfos(rig.Port(), out, target.File("missing").c_str()), -1);
  EXPECT_EQ(Kestor_ReadAllTypeCardInfos(rig.Port(), out, ""), -3);
}

}  // namespace
}  // namespace vantel
