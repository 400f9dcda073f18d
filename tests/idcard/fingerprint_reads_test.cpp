// The fingerprint reads on every transport: the three parts with and without fingerprint,
// the message kept by the kind decision, the file form, the reader test and the simplified
// and photo-saving forms with the sibling libraries.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "id_card_fixture.h"
#include "library/cards/fingerprint/fp_read.h"
#include "library/cards/fingerprint/fp_reads.h"
#include "library/cards/idcard/card_search.h"
#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "platform/files.h"
#include "platform/module_paths.h"
#include "sibling_doubles.h"

namespace vantel {
namespace {

using vantel_test::Fault;
using vantel_test::FaultPlan;

// What one read handed out.
struct FPMessage {
  Bytes text = Bytes(256, 0xEE);
  Bytes photo = Bytes(1024, 0xEE);
  Bytes fingerprint = Bytes(1024, 0xEE);
  unsigned lengths[3] = {9999, 9999, 9999};

  int Read(int port) {
    return ReadFPBaseMsg(port,
                         FPBaseMsgOut{text.data(), &lengths[0], photo.data(), &lengths[1],
                                      fingerprint.data(), &lengths[2]},
                         0);
  }
  Bytes Fingerprint() const { return Bytes(fingerprint.begin(), fingerprint.begin() + lengths[2]); }
};

std::string AsText(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST_P(IdCardReads, FingerprintReadWithAndWithoutFingerprint) {
  auto card = vantel_test::IdCardWith(vantel_test::ForeignText({}));
  const Bytes request = vantel_test::SamRequestFrame(0x30, 0x10);
  for (bool withFingerprint : {true, false}) {
    SCOPED_TRACE(withFingerprint);
    rig.sim().Sam().fingerprintReader = withFingerprint;
    rig.sim().PlaceCard(card);
    ASSERT_EQ(Authenticate(), 1);
    FPMessage message;
    ASSERT_EQ(message.Read(rig.Port()), 144);
    EXPECT_EQ(message.text, card->text);
    EXPECT_EQ(message.photo, card->photo);
    EXPECT_EQ(message.lengths[1], 1024u);
    EXPECT_EQ(message.Fingerprint(), withFingerprint ? card->fingerprint : Bytes{});
    if (GetParam() == Via::kPcsc) {
      // Packets 00 to 09 with fingerprint, 00 to 05 without.
      std::vector<Bytes> packets;
      for (const Bytes& apdu : rig.PcscApdus())
        if (apdu.size() == 7 && apdu[2] == 0x30 && apdu[3] == 0x10) packets.push_back(apdu);
      std::vector<Bytes> expected;
      for (std::uint8_t packet = 0; packet < (withFingerprint ? 10 : 6); ++packet)
        expected.push_back(Bytes{0xFF, 0x98, 0x30, 0x10, 0x01, packet, 0x00});
      EXPECT_EQ(std::vector<Bytes>(packets.end() - static_cast<std::ptrdiff_t>(
                                                       std::min(packets.size(), expected.size())),
                                   packets.end()),
                expected);
    }

    // The kind decision reads once; the next read hands the kept parts out.
    rig.sim().ClearRequests();
    EXPECT_EQ(DecideFPIdCardType(), 101);
    FPMessage kept;
    EXPECT_EQ(kept.Read(rig.Port()), 144);
    EXPECT_EQ(kept.Fingerprint(), message.Fingerprint());
    EXPECT_EQ(kept.text, card->text);
    const std::vector<Bytes> requests = rig.sim().Requests();
    EXPECT_EQ(std::count(requests.begin(), requests.end(), request), 1);

    // The file form: each part whole in its file.
    const std::string files[] = {photos.File("fp.txt"), photos.File("fp.wlt"),
                                 photos.File("fp.bin")};
    unsigned lengths[3] = {};
    ASSERT_EQ(ReadFPBaseMsgToFile(rig.Port(), files[0].c_str(), &lengths[0], files[1].c_str(),
                                  &lengths[1], files[2].c_str(), &lengths[2], 0),
              144);
    EXPECT_EQ(FileBytes(files[0]), AsText(card->text));
    EXPECT_EQ(FileBytes(files[2]), AsText(message.Fingerprint()));
    EXPECT_EQ(lengths[2], withFingerprint ? 1024u : 0u);
  }
}

TEST_P(IdCardReads, FingerprintReaderIsToldBySamId) {
  const std::pair<Bytes, int> cases[] = {{vantel_test::FingerprintSamId(), 1},
                                         {vantel_test::SimSam{}.samId, -2}};
  for (const auto& c : cases) {
    rig.sim().Sam().samId = c.first;
    EXPECT_EQ(IsFingerPrintDevice(), c.second);
  }
}

// Faults of one transport that the read rides out or reports.
TEST_P(IdCardReads, FingerprintAnswerFaults) {
  auto card = vantel_test::IdCardWith(vantel_test::ResidentText({}));
  rig.sim().PlaceCard(card);
  ASSERT_EQ(Authenticate(), 1);
  FPMessage message;
  switch (GetParam()) {
    case Via::kSerial:
      // No check on the byte stream: a broken check byte is still taken.
      rig.sim().QueueFault(FaultPlan{Fault::kWrongCheck});
      EXPECT_EQ(message.Read(rig.Port()), 144);
      EXPECT_EQ(message.Fingerprint(), card->fingerprint);
      // A short answer whose lengths claim more: only what it carried is taken.
      rig.sim().OnSamCommand(0x30, 0x10, [&card](const vantel_test::SamRequest&) {
        Bytes data{0x01, 0x00, 0x04, 0x00, 0x04, 0x00};
        data.insert(data.end(), card->text.begin(), card->text.end());
        data.insert(data.end(), card->photo.begin(), card->photo.begin() + 100);
        return vantel_test::SamAnswer{0, 0, 0x90, data};
      });
      message = FPMessage{};
      EXPECT_EQ(message.Read(rig.Port()), 144);
      EXPECT_EQ(message.lengths[1], 100u);
      EXPECT_EQ(message.lengths[2], 0u);
      EXPECT_EQ(Bytes(message.photo.begin() + 100, message.photo.end()), Bytes(924, 0xEE));
      return;
    case Via::kNetwork:
      // A frame split by TCP is joined; three bad checks give 3.
      rig.sim().QueueFault(FaultPlan{Fault::kSlowPieces, 700, 5});
      EXPECT_EQ(message.Read(rig.Port()), 144);
      EXPECT_EQ(message.Fingerprint(), card->fingerprint);
      rig.sim().SetStandingFault(FaultPlan{Fault::kWrongCheck});
      EXPECT_EQ(message.Read(rig.Port()), 3);
      rig.sim().SetStandingFault(std::nullopt);
      break;
    case Via::kPcsc:
      // The packets 0 and 6 one byte short: 6 and 13.
      for (const auto& c : {std::pair<std::size_t, int>{0, 6}, {6, 13}}) {
        FaultPlan plan{Fault::kShortPacket};
        plan.packet = c.first;
        rig.sim().QueueFault(plan);
        EXPECT_EQ(message.Read(rig.Port()), c.second);
      }
      break;
    default:
      GTEST_SKIP() << "the reports and packets of the other transports carry the frame whole";
  }
  EXPECT_EQ(message.Read(rig.Port()), 144);
}

struct FPPhotoCase {
  const char* name;
  Bytes text;
  std::size_t fieldCount;
  std::function<int(char* const*, const char*, unsigned char*, unsigned*)> read;
  const char* entry;  // the front-and-back entry, null for none
  std::size_t idField;
  const char* idNumber;
};

TEST_P(IdCardReads, FingerprintPhotoReadsWithAndWithoutCardImages) {
  if (GetParam() == Via::kNetwork) GTEST_SKIP() << "the network reader is no port of these reads";
  const FPPhotoCase cases[] = {
      {"resident", vantel_test::ResidentText({}), 9, ReadBaseInfosFPPhoto, "SaveCard2JPG", 4,
       "11010119900101123X"},
      {"foreign", vantel_test::ForeignText({}), 12, ReadForeignBaseInfosFPPhoto,
       "SaveForeignCard2JPG", 2, "USA110090010101"},
      {"permit", vantel_test::PermitText({}), 14, ReadGatBaseInfosFPPhoto, nullptr, 5,
       "810000198512310026"},
  };
  int folderNumber = 0;
  for (const char* quellan : {"quellan", "", "quellan_without_2jpg", "quellan_failing"}) {
    InstallDoubles("morvik", quellan);
    for (const FPPhotoCase& c : cases) {
      SCOPED_TRACE(std::string(c.name) + " with \"" + quellan + "\"");
      auto card = vantel_test::IdCardWith(c.text);
      rig.sim().PlaceCard(card);
      ASSERT_EQ(Authenticate(), 1);
      const std::string folder =
          photos.File("fp" + std::to_string(++folderNumber)) + platform::kPathSeparator;
      std::vector<std::string> fields(c.fieldCount, std::string(128, '\x7E'));
      std::vector<char*> pointers;
      for (std::string& field : fields) pointers.push_back(&field[0]);
      Bytes fingerprint(1024);
      unsigned length = 0;
      const int result = c.read(pointers.data(), folder.c_str(), fingerprint.data(), &length);
      // Without the card-image library: -4. Without the front-and-back entry or with images
      // refused, the resident and permit reads go on; the foreign read gives -5 or -6.
      const std::string variant = quellan;
      const bool foreign = c.fieldCount == 12;
      if (variant != "quellan") {
        EXPECT_EQ(result, variant.empty()                     ? -4
                          : !foreign                          ? 1
                          : variant == "quellan_without_2jpg" ? -5
                                                              : -6);
        continue;
      }
      ASSERT_EQ(result, 1);
      EXPECT_EQ(fields[c.idField].c_str(), std::string(c.idNumber));
      EXPECT_EQ(fingerprint, card->fingerprint);
      EXPECT_EQ(FileBytes(folder + "photo.bmp"), PortraitBitmap());
      EXPECT_EQ(JpegSize(FileBytes(folder + "photo.jpg")), "102x126");
      EXPECT_EQ(JpegComment(FileBytes(folder + "2.jpg")),
                c.entry ? std::string(c.entry) + " back " + c.idNumber : "");
    }
  }
  // The simplified form: the record and the fingerprint.
  rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
  ASSERT_EQ(Authenticate(), 1);
  char record[192];
  int recordLength = 0;
  Bytes fingerprint(1024);
  unsigned length = 0;
  ASSERT_EQ(ReadBaseFPMsgRecord(record, &recordLength, fingerprint.data(), &length), 1);
  EXPECT_EQ(std::string(record + 124, 18), "11010119900101123X");
  EXPECT_EQ(length, 1024u);
  EXPECT_EQ(FileBytes(LibraryFolder() + platform::kPathSeparator + "photo.bmp"), PortraitBitmap());
  EXPECT_EQ(ReadBaseFPMsgRecord(record, &recordLength, nullptr, &length), 0);
}

}  // namespace
}  // namespace vantel
