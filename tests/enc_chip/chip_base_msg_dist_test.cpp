// The chip's base message distributed into files and fields: what the blob's lengths may
// make it read and copy, and what each failure leaves behind.
#include "library/exports/chip_dist_exports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "idcard/id_card_fixture.h"
#include "idcard/sibling_doubles.h"
#include "library/device/device_state.h"
#include "library/device/enc_chip/enc_chip_commands.h"
#include "library/device/library_setup.h"
#include "library/device/port_api.h"
#include "library/exports/enc_chip_exports.h"
#include "platform/files.h"
#include "platform/module_paths.h"
#include "support/id_card_writer.h"
#include "support/reader_sim_enc_chip.h"
#include "support/reader_sim_hid.h"

namespace vantel {
namespace {

// The resident card's fields as the caller's buffers receive them, in GBK.
const std::vector<std::string> kResidentFields = {
    "\xD5\xC5\xC8\xFD", "\xC4\xD0",   "\xBA\xBA",   "19900101", "11010119900101123X",
    "北京市东城区 东华门大街1号", "北京市公安局东城分局", "20200101", "20400101"};

// Nine caller buffers, each filled with a mark a write would disturb.
struct Fields {
  std::vector<std::string> values = std::vector<std::string>(9, std::string(72, '\x7E'));
  char* at(std::size_t i) { return &values[i][0]; }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const std::string& value : values) texts.emplace_back(value.c_str());
    return texts;
  }
  bool Untouched() const { return values == Fields().values; }
};

int Dist(const Bytes& blob, Fields& f, const std::string& folder, unsigned char* fingerprint,
         unsigned* length) {
  return Kestor_ChipReadBaseMsgDist(blob.empty() ? nullptr : blob.data(), 0, f.at(0), f.at(1),
                                    f.at(2), f.at(3), f.at(4), f.at(5), f.at(6), f.at(7), f.at(8),
                                    folder.c_str(), fingerprint, length);
}

Bytes Fingerprint() {
  Bytes fingerprint(1024);
  for (std::size_t i = 0; i < fingerprint.size(); ++i)
    fingerprint[i] = static_cast<std::uint8_t>(i * 3 + 7);
  return fingerprint;
}

// A blob of exactly the most that is read: lengths stated beyond the caps (text 300, photo
// and fingerprint 2000), then the capped parts.
Bytes OverstatedBlob() {
  Bytes blob{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x09, 0x0A, 0x00, 0x00, 0x90,
             0x01, 0x2C, 0x07, 0xD0, 0x07, 0xD0};
  const Bytes text = vantel_test::ResidentText({});
  blob.insert(blob.end(), text.begin(), text.end());
  blob.insert(blob.end(), vantel_test::PortraitPhoto().begin(), vantel_test::PortraitPhoto().end());
  const Bytes fingerprint = Fingerprint();
  blob.insert(blob.end(), fingerprint.begin(), fingerprint.end());
  return blob;
}

class ChipBaseMsgDist : public ::testing::Test {
 public:
  void SetUp() override { SetUpLibraryIn(library.path().string()); }

  // The resident fields, the portrait's files in `out` (a folder the call makes) and the
  // fingerprint from `blob`.
  void ExpectDistributed(const Bytes& blob) {
    Fields fields;
    unsigned char fingerprint[1024];
    unsigned length = 0;
    ASSERT_EQ(Dist(blob, fields, out, fingerprint, &length), 0);
    EXPECT_EQ(fields.Texts(), kResidentFields);
    const Bytes& photo = vantel_test::PortraitPhoto();
    EXPECT_EQ(FileBytes(out + "photo.wlt"), std::string(photo.begin(), photo.end()));
    EXPECT_EQ(FileBytes(out + "photo.bmp"), PortraitBitmap());
    EXPECT_EQ(JpegSize(FileBytes(out + "photo.jpg")), "102x126");
    EXPECT_EQ(length, 1024u);
    EXPECT_EQ(Bytes(fingerprint, fingerprint + 1024), Fingerprint());
  }

  vantel_test::TempFolder library;
  vantel_test::TempFolder photos;
  std::string out = photos.File("made") + platform::kPathSeparator;
};

TEST_F(ChipBaseMsgDist, StatedLengthsAreCappedAndTheBlobReadNoFurther) {
  InstallDoubles("morvik", "");
  const Bytes blob = OverstatedBlob();
  ASSERT_EQ(blob.size(), 2320u);
  ExpectDistributed(blob);  // text 256 bytes, photo 1024, fingerprint 1024
}

// What the chip's base-message read gives is distributed whole.
TEST_F(ChipBaseMsgDist, WhatTheChipReadIsDistributed) {
  InstallDoubles("morvik", "");
  vantel_test::HidAttachment hid;
  vantel_test::ReaderSim sim;
  vantel_test::SimEncChip chip{sim};
  chip.baseMsgFrame = vantel_test::FingerprintBaseMsgFrame(
      vantel_test::ResidentText({}), vantel_test::PortraitPhoto(), Fingerprint());
  Device().hid = HidState{};
  hid.AddReader(vantel_test::AnswerThrough(sim));
  ASSERT_EQ(OpenPort(kHidPort), 144);
  unsigned char value32[32], value16[16];
  Bytes data(kMaxChipBaseMsgData);
  int dataLength = 0;
  const int read = Kestor_EncChipReadBaseMsg(value32, data.data(), &dataLength, value16);
  ClosePort(kHidPort);
  Device().hid = HidState{};
  ASSERT_EQ(read, 0);
  ExpectDistributed(data);
}

TEST_F(ChipBaseMsgDist, FailuresLeaveTheFieldsUntouched) {
  struct Case {
    const char* what;
    const char* morvik;
    std::function<std::string(const ChipBaseMsgDist&)> folder;
    int expected;
  };
  const auto made = [](const ChipBaseMsgDist& t) { return t.out; };
  const Case cases[] = {
      {"no Morvik.dll", "", made, -4},
      {"no entry Morvik", "morvik_without_entry", made, 4},
      {"the decoder fails", "morvik_failing", made, -5},
      {"a folder that is a file", "morvik",
       [](const ChipBaseMsgDist& t) {
         t.photos.Write("a file", "x");
         return t.photos.File("a file");
       },
       4},
      // A short write of "photo.wlt": the device that is always full takes nothing.
      {"photo.wlt not written whole", "morvik",
       [](const ChipBaseMsgDist& t) {
         std::error_code error;
         std::filesystem::create_directories(t.out);
         std::filesystem::create_symlink("/dev/full", t.out + "photo.wlt", error);
         return std::filesystem::exists("/dev/full") && !error ? t.out : std::string();
       },
       4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    InstallDoubles(c.morvik, "");
    std::filesystem::remove_all(out);
    const std::string folder = c.folder(*this);
    if (folder.empty()) continue;  // no such device or link here
    Fields fields;
    unsigned char fingerprint[1024];
    unsigned length = 0;
    EXPECT_EQ(Dist(OverstatedBlob(), fields, folder, fingerprint, &length), c.expected);
    EXPECT_TRUE(fields.Untouched());
    EXPECT_EQ(length, 1024u);  // the fingerprint comes before the photo
  }
}

TEST_F(ChipBaseMsgDist, ANullPointerWritesNothing) {
  InstallDoubles("morvik", "");
  const Bytes blob = OverstatedBlob();
  unsigned char fingerprint[1024] = {};
  unsigned length = 7;
  Fields fields;
  EXPECT_EQ(Dist({}, fields, out, fingerprint, &length), -2);
  EXPECT_EQ(Dist(blob, fields, out, nullptr, &length), -2);
  EXPECT_EQ(Dist(blob, fields, out, fingerprint, nullptr), -2);
  EXPECT_EQ(Kestor_ChipReadBaseMsgDist(blob.data(), 0, fields.at(0), fields.at(1), fields.at(2),
                                       fields.at(3), fields.at(4), fields.at(5), fields.at(6),
                                       fields.at(7), nullptr, out.c_str(), fingerprint, &length),
            -2);
  EXPECT_TRUE(fields.Untouched());
  EXPECT_EQ(length, 7u);
  EXPECT_EQ(Bytes(fingerprint, fingerprint + 1024), Bytes(1024, 0));
  EXPECT_FALSE(platform::PathExists(out));
}

}  // namespace
}  // namespace vantel
