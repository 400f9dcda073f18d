// Identity-card reads whose cases need one transport: the once-only rule, the report
// joining of the HID reader, the confirmation beeps, the kind edges of the decoders and the
// file read.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "id_card_fixture.h"
#include "library/cards/idcard/base_msg_read.h"
#include "library/cards/idcard/card_kinds.h"
#include "library/cards/idcard/card_search.h"
#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "library/device/port_api.h"
#include "platform/files.h"
#include "platform/module_paths.h"

namespace vantel {
namespace {

using vantel_test::Fault;
using vantel_test::FaultPlan;
using vantel_test::SimIdentityCard;

class HidCardReads : public IdCardReads {};
class SerialCardReads : public IdCardReads {};

// The message as ReadBaseMsg gives it.
struct Read {
  int result = 0;
  Bytes text;
  Bytes photo;
};

Read ReadMessage(int port) {
  unsigned char text[256] = {};
  unsigned char photo[1024] = {};
  unsigned textLength = 0;
  unsigned photoLength = 0;
  Read read;
  read.result = ReadBaseMsg(port, text, &textLength, photo, &photoLength, 0);
  read.text.assign(text, text + textLength);
  read.photo.assign(photo, photo + photoLength);
  return read;
}

std::shared_ptr<SimIdentityCard> ResidentCard() {
  return vantel_test::IdCardWith(vantel_test::ResidentText({}));
}

TEST_P(HidCardReads, ACardLeftOnTheReaderIsReadOnce) {
  auto card = ResidentCard();
  rig.sim().PlaceCard(card);
  ASSERT_EQ(Authenticate(), 1);
  ASSERT_EQ(ReadMessage(rig.Port()).result, 144);
  rig.sim().ClearRequests();
  EXPECT_EQ(Authenticate(), 0);
  EXPECT_EQ(CardRequests(), (std::vector<Bytes>{vantel_test::SamRequestFrame(0x11, 0xFF),
                                                vantel_test::SamRequestFrame(0x30, 0x03),
                                                vantel_test::SamRequestFrame(0x11, 0xFF)}));
  rig.sim().RemoveCard();
  rig.sim().PlaceCard(card);
  EXPECT_EQ(Authenticate(), 1);
}

TEST_P(HidCardReads, RepeatReadWakesTheFieldBeforeEachSearch) {
  rig.sim().PlaceCard(ResidentCard());
  ASSERT_EQ(Authenticate(), 1);
  ASSERT_EQ(ReadMessage(rig.Port()).result, 144);
  Device().gRepeat = 1;
  rig.sim().ClearRequests();
  EXPECT_EQ(Authenticate(), 1);
  const std::vector<Bytes> requests = rig.sim().Requests();
  ASSERT_EQ(requests.size(), 5u);
  EXPECT_EQ(requests[0], vantel_test::SamRequestFrame(0x11, 0xFF));
  EXPECT_EQ(Bytes(requests[1].begin(), requests[1].begin() + 2), (Bytes{0x55, 0xAA}));  // find card
  EXPECT_EQ(std::vector<Bytes>(requests.begin() + 2, requests.end()),
            (std::vector<Bytes>{vantel_test::SamRequestFrame(0x11, 0xFF),
                                vantel_test::SamRequestFrame(0x20, 0x01),
                                vantel_test::SamRequestFrame(0x20, 0x02)}));
}

TEST_P(HidCardReads, ReportsAreJoinedWholeAndLengthsCapped) {
  // Photo bytes 50..113 stand in frame bytes 320..383: a whole report of zeros.
  Bytes zeroRun = vantel_test::PortraitPhoto();
  std::fill(zeroRun.begin() + 50, zeroRun.begin() + 114, 0);
  struct Case {
    const char* name;
    Bytes photo;
    unsigned statedText;
    unsigned statedPhoto;
  } cases[] = {{"a report of zeros in the photo", zeroRun, 256, 1024},
               {"lengths above the buffers", vantel_test::PortraitPhoto(), 300, 2000}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto card = ResidentCard();
    card->photo = c.photo;
    card->statedTextLength = c.statedText;
    card->statedPhotoLength = c.statedPhoto;
    rig.sim().PlaceCard(card);
    ASSERT_EQ(Authenticate(), 1);
    const Read read = ReadMessage(rig.Port());
    EXPECT_EQ(read.result, 144);
    EXPECT_EQ(read.text, card->text);
    EXPECT_TRUE(read.photo == c.photo);
  }
}

TEST_P(SerialCardReads, AWholePhotoBeepsTwiceUnlessMutedShortOrWrapped) {
  struct Case {
    const char* name;
    std::size_t photoSize;
    std::uint8_t mute;
    bool wrapped;
    std::vector<std::uint8_t> ledControls;  // each beep: the LED on, then off
  } cases[] = {{"a whole photo", 1024, 0, false, {0x03, 0x00, 0x03, 0x00}},
               {"1023 photo bytes", 1023, 0, false, {}},
               {"muted", 1024, 1, false, {}},
               {"a base64-wrapped answer", 1024, 0, true, {}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto card = ResidentCard();
    card->photo.resize(c.photoSize);
    rig.sim().PlaceCard(card);
    ASSERT_EQ(Authenticate(), 1);
    Device().gMute = c.mute;
    if (c.wrapped) rig.sim().QueueFault(FaultPlan{Fault::kBase64, 64, 0, 64});
    rig.sim().Device().ledControls.clear();
    EXPECT_EQ(ReadMessage(rig.Port()).result, 144);
    EXPECT_EQ(rig.sim().Device().ledControls, c.ledControls);
  }
}

TEST_P(HidCardReads, DecodersTakeTheKindByteAsTheyEachSay) {
  // A foreign mark with byte 249 set: a resident card for the decision and for
  // ReadBaseInfos, yet the foreign decoders take it.
  Bytes marked = vantel_test::ForeignText({});
  marked[249] = 1;
  rig.sim().PlaceCard(vantel_test::IdCardWith(marked));
  ASSERT_EQ(Authenticate(), 1);
  EXPECT_EQ(DecideIdCardType(), 100);
  char f[12][128] = {};
  EXPECT_EQ(ReadBaseInfos(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]), 1);
  char* fields[12];
  for (int i = 0; i < 12; ++i) fields[i] = f[i];
  EXPECT_EQ(ReadAllForeignBaseInfos(fields), 1);
  EXPECT_STREQ(f[2], "USA110090010101");
  // A permit through ReadBaseInfos: its bytes 32..35 are the nation code.
  Bytes permit = vantel_test::PermitText({});
  const std::uint8_t code97[] = {'9', 0, '7', 0};
  std::copy(std::begin(code97), std::end(code97), permit.begin() + 32);
  rig.sim().PlaceCard(vantel_test::IdCardWith(permit));
  ASSERT_EQ(Authenticate(), 1);
  EXPECT_EQ(ReadBaseInfos(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]), 1);
  EXPECT_STREQ(f[0], "李四");
  EXPECT_STREQ(f[2], "穿青人");
}

TEST_P(HidCardReads, APhotoThatDoesNotDecodeLeavesNoFilesBehind) {
  const std::string folder = LibraryFolder() + platform::kPathSeparator;
  std::ofstream(folder + "photo.bmp") << "an earlier card";
  std::ofstream(folder + "photo.jpg") << "an earlier card";
  auto card = vantel_test::IdCardWith(vantel_test::ForeignText({}));
  card->photo.assign(1024, 0);
  rig.sim().PlaceCard(card);
  ASSERT_EQ(Authenticate(), 1);
  char f[12][128] = {};
  char* fields[12];
  for (int i = 0; i < 12; ++i) fields[i] = f[i];
  EXPECT_EQ(ReadAllForeignBaseInfos(fields), 1);
  EXPECT_FALSE(platform::PathExists(folder + "photo.bmp"));
  EXPECT_FALSE(platform::PathExists(folder + "photo.jpg"));
}

TEST_P(HidCardReads, NullArgumentsAreRefusedBeforeAnyRead) {
  rig.sim().PlaceCard(ResidentCard());
  ASSERT_EQ(Authenticate(), 1);
  rig.sim().ClearRequests();
  char f[14][128] = {};
  char* fields[14];
  for (int i = 0; i < 14; ++i) fields[i] = f[i];
  fields[5] = nullptr;
  EXPECT_EQ(ReadBaseInfos(f[0], f[1], f[2], f[3], f[4], nullptr, f[6], f[7], f[8]), 0);
  EXPECT_EQ(ReadForeignBaseInfos(fields), 0);
  EXPECT_EQ(ReadAllForeignBaseInfos(fields), 0);
  EXPECT_EQ(ReadAllGatBaseInfos(fields), 0);
  EXPECT_EQ(GetSamIdText(nullptr), 0);
  EXPECT_TRUE(rig.sim().Requests().empty());
  unsigned length = 0;
  EXPECT_EQ(ReadBaseMsgToFile(rig.Port(), nullptr, &length, nullptr, &length, 0), 0);
  // The search and select without a place for their data still run.
  EXPECT_EQ(SelectIdCard(rig.Port(), nullptr, 0), 144);
}

TEST_P(HidCardReads, TheFileReadWritesBothPartsWhole) {
  auto card = ResidentCard();
  rig.sim().PlaceCard(card);
  ASSERT_EQ(Authenticate(), 1);
  unsigned textLength = 0;
  unsigned photoLength = 0;
  EXPECT_EQ(ReadBaseMsgToFile(rig.Port(), photos.File("text.bin").c_str(), &textLength,
                              photos.File("photo.wlt").c_str(), &photoLength, 0),
            144);
  EXPECT_EQ(textLength, 256u);
  EXPECT_EQ(photoLength, 1024u);
  EXPECT_EQ(FileBytes(photos.File("text.bin")), std::string(card->text.begin(), card->text.end()));
  EXPECT_TRUE(FileBytes(photos.File("photo.wlt")) == std::string(card->photo.begin(), card->photo.end()));
}

INSTANTIATE_TEST_SUITE_P(Hid, HidCardReads, ::testing::Values(Via::kHid),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });
INSTANTIATE_TEST_SUITE_P(Serial, SerialCardReads, ::testing::Values(Via::kSerial),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

// The permit decoder takes COM 1..16 only; the other decoders every COM port.
TEST(IdCardPorts, ThePermitDecoderTakesCom16NotCom17WhileTheResidentOneReadsBoth) {
  struct Case {
    int port;
    int permitResult;
  };
  for (const Case c : {Case{16, 1}, Case{17, -4}}) {
    SCOPED_TRACE(c.port);
    TransportRig rig(Via::kSerial, c.port);
    if (!rig.failure().empty()) GTEST_SKIP() << rig.failure();
    ASSERT_EQ(InitComm(c.port), 1);
    Device().gMute = 1;
    rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::PermitText({})));
    ASSERT_EQ(Authenticate(), 1);
    char f[14][128] = {};
    char* fields[14];
    for (int i = 0; i < 14; ++i) fields[i] = f[i];
    EXPECT_EQ(ReadAllGatBaseInfos(fields), c.permitResult);
    EXPECT_STREQ(f[12], c.permitResult == 1 ? "J" : "");
    EXPECT_EQ(ReadBaseInfos(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]), 1);
    EXPECT_STREQ(f[0], "李四");
  }
}

}  // namespace
}  // namespace vantel
