// The simplified reads with files on every transport: the record and the fields, the photo
// files and the card images with the paths they were given, and the codes of missing or
// failing sibling libraries.
#include "library/cards/simple/simple_reads.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <functional>

#include "id_card_fixture.h"
#include "library/cards/idcard/card_search.h"
#include "library/cards/simple/new_address.h"
#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "platform/files.h"
#include "platform/module_paths.h"
#include "sibling_doubles.h"

namespace vantel {
namespace {

// The record of the default resident card, written out from its field positions.
std::string ExpectedRecord() {
  std::string record(192, '\0');
  const std::pair<std::size_t, std::string> fields[] = {{0, "张三"},
                                                        {31, "男"},
                                                        {34, "汉"},
                                                        {44, "19900101"},
                                                        {53, "北京市东城区 东华门大街1号"},
                                                        {124, "11010119900101123X"},
                                                        {143, "北京市公安局东城分局"},
                                                        {174, "20200101"},
                                                        {183, "20400101"}};
  for (const auto& field : fields) record.replace(field.first, field.second.size(), field.second);
  return record;
}

struct PhotoRead {
  const char* name;
  Bytes text;
  std::size_t fieldCount;
  std::function<int(char* const*, const char*)> read;
  const char* imageEntries;  // e.g. "SaveForeignCard": "...AllJPG" and "...2JPG"; null: none
  const char* idNumber;
  std::size_t idField;
  bool network;  // the read accepts the network reader
  int refusal;   // for a port not accepted or a failed card read
};

std::vector<PhotoRead> PhotoReads() {
  return {
      {"resident", vantel_test::ResidentText({}), 9, ReadBaseInfosPhoto, "SaveCard",
       "11010119900101123X", 4, true, 0},
      {"foreign", vantel_test::ForeignText({}), 12, ReadAllForeignBaseInfosPhoto, "SaveForeignCard",
       "USA110090010101", 2, false, 0},
      {"foreign short", vantel_test::ForeignText({}), 8, ReadForeignBaseInfosPhoto,
       "SaveForeignCard", "USA110090010101", 2, false, 0},
      {"permit", vantel_test::PermitText({}), 14, ReadAllGatBaseInfosPhoto, "SaveGATCard",
       "810000198512310026", 5, false, -4},
  };
}

int RunWithFields(const PhotoRead& read, const char* folder, std::vector<std::string>* fields) {
  fields->assign(read.fieldCount, std::string(128, '\x7E'));
  std::vector<char*> pointers;
  for (std::string& field : *fields) pointers.push_back(&field[0]);
  return read.read(pointers.data(), folder);
}

TEST_P(IdCardReads, PhotoReadsWriteFieldsPhotoAndCardImages) {
  InstallDoubles("morvik", "quellan");
  const std::string folder = photos.File("out") + platform::kPathSeparator;
  const bool network = GetParam() == Via::kNetwork;
  for (const PhotoRead& read : PhotoReads()) {
    SCOPED_TRACE(read.name);
    rig.sim().PlaceCard(vantel_test::IdCardWith(read.text));
    ASSERT_EQ(Authenticate(), 1);
    std::vector<std::string> fields;
    const int result = RunWithFields(read, folder.c_str(), &fields);
    if (network && !read.network) {
      EXPECT_EQ(result, read.refusal);
      continue;
    }
    ASSERT_EQ(result, 1);
    EXPECT_EQ(fields[read.idField].c_str(), std::string(read.idNumber));
    EXPECT_EQ(FileBytes(folder + "photo.bmp"), PortraitBitmap());
    EXPECT_EQ(JpegSize(FileBytes(folder + "photo.jpg")), "102x126");
    // The own decoder of the permit writes no "photo.wlt".
    EXPECT_EQ(platform::PathExists(folder + "photo.wlt"), read.fieldCount != 14);
    const std::string entries = read.imageEntries;
    EXPECT_EQ(JpegComment(FileBytes(folder + "card.jpg")),
              entries + "AllJPG both " + read.idNumber);
    EXPECT_EQ(JpegComment(FileBytes(folder + "1.jpg")), entries + "2JPG front " + read.idNumber);
    EXPECT_EQ(JpegComment(FileBytes(folder + "2.jpg")), entries + "2JPG back " + read.idNumber);
    const std::string morvik =
        LibraryFolder() + platform::kPathSeparator + platform::SharedLibraryFileName("Morvik");
    const std::string log = FileBytes(folder + "quellan.log");
    EXPECT_EQ(log, entries + "AllJPG text=256 photo=1024 both=" + folder + "card.jpg morvik=" +
                       morvik + "\n" + entries + "2JPG text=256 photo=1024 front=" + folder +
                       "1.jpg back=" + folder + "2.jpg morvik=" + morvik + "\n");
    std::filesystem::remove_all(folder);
    // The card has left before the next read.
    rig.sim().RemoveCard();
    EXPECT_EQ(RunWithFields(read, folder.c_str(), &fields), read.refusal);
  }
}

TEST_P(IdCardReads, RecordAndRawTextReads) {
  InstallDoubles("morvik", "");
  const bool network = GetParam() == Via::kNetwork;
  const std::string wlt = LibraryFolder() + platform::kPathSeparator + "photo.wlt";
  char record[192];
  int length = 0;
  rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
  ASSERT_EQ(Authenticate(), 1);
  ASSERT_EQ(SimpleReadBaseMsg(record, &length), network ? 0 : 1);
  if (network) return;
  EXPECT_EQ(std::string(record, sizeof record), ExpectedRecord());
  EXPECT_EQ(length, 192);
  EXPECT_EQ(FileBytes(wlt),
            std::string(vantel_test::PortraitPhoto().begin(), vantel_test::PortraitPhoto().end()));
  EXPECT_EQ(FileBytes(LibraryFolder() + platform::kPathSeparator + "photo.bmp"), PortraitBitmap());

  // A folder that ends with its separator gets no second one; an empty folder means the
  // current directory.
  const std::string given = photos.File("given") + platform::kPathSeparator;
  ASSERT_EQ(SimpleReadBaseMsgPhoto(record, &length, given.c_str()), 1);
  EXPECT_EQ(FileBytes(given + "photo.bmp"), PortraitBitmap());
  const std::filesystem::path current = std::filesystem::current_path();
  std::filesystem::create_directories(photos.path() / "current");
  std::filesystem::current_path(photos.path() / "current");
  const int inCurrent = SimpleReadBaseMsgPhoto(record, &length, "");
  std::filesystem::current_path(current);
  EXPECT_EQ(inCurrent, 1);
  EXPECT_TRUE(
      platform::PathExists(photos.File("current") + platform::kPathSeparator + "photo.wlt"));
  // A folder naming a file: "photo.wlt" cannot be created.
  photos.Write("a file", "x");
  EXPECT_EQ(SimpleReadBaseMsgPhoto(record, &length, photos.File("a file").c_str()), 4);

  // A foreign card: refused by the record reads, handed out raw by the W reads.
  rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ForeignText({})));
  ASSERT_EQ(Authenticate(), 1);
  EXPECT_EQ(SimpleReadBaseMsg(record, &length), 0);
  unsigned char text[256];
  ASSERT_EQ(SimpleReadBaseMsgW(text, &length), 1);
  EXPECT_EQ(Bytes(text, text + 256), vantel_test::ForeignText({}));
  EXPECT_EQ(length, 256);
  EXPECT_EQ(SimpleReadBaseMsgWPhoto(nullptr, &length, ""), 0);
}

// The raw text reads leave none of the buffer's old bytes: zeros follow a text shorter than
// the buffer, and a failed read leaves zeros only.
TEST_P(IdCardReads, RawTextReadsLeaveNoOldBytes) {
  if (GetParam() == Via::kNetwork) GTEST_SKIP() << "the network reader is no port of these reads";
  InstallDoubles("morvik", "");
  const std::string folder = photos.File("raw") + platform::kPathSeparator;
  const std::function<int(unsigned char*, int*)> reads[] = {
      SimpleReadBaseMsgW,
      [&folder](unsigned char* text, int* length) {
        return SimpleReadBaseMsgWPhoto(text, length, folder.c_str());
      }};
  struct Case {
    const char* what;
    bool cardThere;
    int result;
    std::size_t textBytes;  // the card's bytes at the start, zeros after them
  };
  const Case cases[] = {{"a 200-byte text", true, 1, 200}, {"no card", false, 0, 0}};
  const Bytes cardText = vantel_test::ForeignText({});
  for (const auto& read : reads) {
    for (const Case& c : cases) {
      SCOPED_TRACE(c.what);
      auto card = vantel_test::IdCardWith(cardText);
      card->statedTextLength = 200;
      rig.sim().PlaceCard(card);
      ASSERT_EQ(Authenticate(), 1);
      if (!c.cardThere) rig.sim().RemoveCard();
      unsigned char text[256];
      std::memset(text, 0x7E, sizeof text);
      int length = 0;
      EXPECT_EQ(read(text, &length), c.result);
      Bytes expected(256, 0);
      std::copy(cardText.begin(), cardText.begin() + static_cast<std::ptrdiff_t>(c.textBytes),
                expected.begin());
      EXPECT_EQ(Bytes(text, text + sizeof text), expected);
    }
  }
}

// What each read answers when a sibling library is missing or fails.
struct SiblingCase {
  const char* morvik;
  const char* quellan;
  std::function<int(const char* folder, std::vector<std::string>* fields)> read;
  int expected;
  std::vector<const char*> made;  // files that exist afterwards
  bool fieldsFilled;
};

TEST_P(IdCardReads, MissingOrFailingSiblingLibrariesGiveTheirCodes) {
  if (GetParam() == Via::kNetwork) GTEST_SKIP() << "the network reader is no port of these reads";
  auto record = [](int (*read)(char*, int*, const char*)) {
    return [read](const char* folder, std::vector<std::string>* fields) {
      fields->assign(1, std::string(192, '\x7E'));
      int length = 0;
      return read(&(*fields)[0][0], &length, folder);
    };
  };
  auto resident = [](const char* folder, std::vector<std::string>* fields) {
    return RunWithFields(PhotoReads()[0], folder, fields);
  };
  auto foreign = [](const char* folder, std::vector<std::string>* fields) {
    return RunWithFields(PhotoReads()[1], folder, fields);
  };
  auto plain = [](const char*, std::vector<std::string>* fields) {
    fields->assign(1, std::string(192, '\x7E'));
    int length = 0;
    return SimpleReadBaseMsg(&(*fields)[0][0], &length);
  };
  const std::vector<SiblingCase> cases = {
      {"", "quellan", plain, 4, {"photo.wlt"}, false},
      {"", "quellan", record(SimpleReadBaseMsgPhoto), -4, {"photo.wlt"}, false},
      {"morvik_without_entry", "quellan", record(SimpleReadBaseMsgPhoto), 4, {}, false},
      {"morvik_failing", "quellan", record(SimpleReadBaseMsgPhoto), -5, {}, false},
      {"morvik", "", resident, -5, {"photo.jpg"}, false},
      {"morvik", "quellan_without_2jpg", resident, -5, {"card.jpg"}, false},
      {"morvik", "quellan_failing", resident, -6, {}, false},
      {"morvik", "quellan_failing", foreign, -6, {"photo.jpg"}, true},
      {"", "quellan_without_2jpg", foreign, -5, {"photo.jpg", "card.jpg"}, true},
  };
  rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const SiblingCase& c = cases[i];
    SCOPED_TRACE(i);
    InstallDoubles(c.morvik, c.quellan);
    const bool isForeign = i >= 7;
    rig.sim().PlaceCard(vantel_test::IdCardWith(isForeign ? vantel_test::ForeignText({})
                                                          : vantel_test::ResidentText({})));
    ASSERT_EQ(Authenticate(), 1);
    const std::string folder = photos.File("case" + std::to_string(i)) + platform::kPathSeparator;
    std::vector<std::string> fields;
    EXPECT_EQ(c.read(folder.c_str(), &fields), c.expected);
    const std::string wltFolder =
        c.read.target_type() == typeid(plain) ? LibraryFolder() + platform::kPathSeparator : folder;
    for (const char* file : c.made) EXPECT_TRUE(platform::PathExists(wltFolder + file)) << file;
    EXPECT_EQ(fields[0][0] != '\x7E' && fields[0][0] != '\0', c.fieldsFilled);
  }
}

TEST_P(IdCardReads, CardImageLibraryReleasedOnceAndWltBackupKept) {
  if (GetParam() == Via::kNetwork) GTEST_SKIP() << "one transport is enough";
  InstallDoubles("morvik", "quellan");
  rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
  ASSERT_EQ(Authenticate(), 1);
  const std::string folder = photos.File("backup") + platform::kPathSeparator;
  Device().gSaveWlt = 1;
  std::vector<std::string> fields;
  EXPECT_EQ(RunWithFields(PhotoReads()[0], folder.c_str(), &fields), 1);
  Device().gSaveWlt = 0;
  // "photo.wlt" is still there, so the copy is not moved back.
  EXPECT_EQ(FileBytes(folder + "photo.wlt_bk"), FileBytes(folder + "photo.wlt"));
  EXPECT_NE(ReleaseCardImageLibrary(), 0);
  EXPECT_EQ(ReleaseCardImageLibrary(), 0);
  EXPECT_EQ(RunWithFields(PhotoReads()[0], folder.c_str(), &fields), -5);
}

TEST_P(IdCardReads, NewAddressesAreSplitIntoAtMostFourEntries) {
  // The network reader is no port of these reads; PC/SC delivers its own slice of the SAM's
  // data, which its command's tests cover. HID gathers the reports of a long record.
  if (GetParam() == Via::kNetwork || GetParam() == Via::kPcsc)
    GTEST_SKIP() << "the byte-stream and HID readers carry the whole data";
  auto block = [](const std::u16string& text) {
    Bytes bytes;
    for (std::size_t i = 0; i < 35; ++i) {
      const char16_t c = i < text.size() ? text[i] : u' ';
      bytes.push_back(static_cast<std::uint8_t>(c));
      bytes.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return bytes;
  };
  struct Case {
    Bytes data;
    int count;
  };
  Bytes two = block(u"上海市1号");
  const Bytes blank = block(u"");
  two.insert(two.end(), blank.begin(), blank.end());
  Bytes four;
  for (int i = 0; i < 4; ++i) {
    const Bytes b = block(u"上海市1号");
    four.insert(four.end(), b.begin(), b.end());
  }
  const Case cases[] = {{two, 1}, {Bytes(60, 0x41), 0}, {four, 4}};
  for (const Case& c : cases) {
    auto card = vantel_test::IdCardWith(vantel_test::ResidentText({}));
    card->newAddress = c.data;
    rig.sim().PlaceCard(card);
    ASSERT_EQ(Authenticate(), 1);
    char entries[4][71];
    std::memset(entries, 0x7E, sizeof entries);
    char* const pointers[] = {entries[0], entries[1], entries[2], entries[3]};
    int count = -1;
    ASSERT_EQ(ReadNewAddresses(pointers, &count), 1);
    EXPECT_EQ(count, c.count);
    if (c.count > 0) {
      EXPECT_EQ(Field(entries[0], 71), Field("上海市1号", 71));
    }
    EXPECT_EQ(Field(entries[c.count < 4 ? c.count : 3], 71),
              c.count < 4 ? std::string(71, '\0') : Field("上海市1号", 71));
  }
}

}  // namespace
}  // namespace vantel
