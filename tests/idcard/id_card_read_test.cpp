// Each kind of card read end to end on every transport, the message kept by the kind
// decision, the SAM id as text and the failure codes of the base-message read.
#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <functional>
#include <memory>

#include "id_card_fixture.h"
#include "library/cards/idcard/base_msg_read.h"
#include "library/cards/idcard/card_kinds.h"
#include "library/cards/idcard/card_search.h"
#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "platform/files.h"
#include "platform/module_paths.h"

namespace vantel {
namespace {

using vantel_test::Fault;
using vantel_test::FaultPlan;

// Runs a decoder over buffers of the given sizes; gives its result and the buffers.
std::vector<std::string> Decode(const std::vector<std::size_t>& sizes,
                                const std::function<int(char* const*)>& decoder, int* result) {
  std::vector<std::string> buffers;
  for (std::size_t size : sizes) buffers.emplace_back(size, '\x7E');
  std::vector<char*> fields;
  for (std::string& buffer : buffers) fields.push_back(&buffer[0]);
  *result = decoder(fields.data());
  return buffers;
}

// Where a decoder leaves "photo.bmp" and "photo.jpg".
enum class PhotoPlace { kNone, kLibraryFolder, kTempFolder };

std::string PhotoFolder(PhotoPlace place) {
  return place == PhotoPlace::kTempFolder ? platform::TempFolderPath()
                                          : LibraryFolder() + platform::kPathSeparator;
}

struct KindCase {
  const char* name;
  Bytes text;
  int kind;
  std::vector<std::size_t> sizes;
  std::function<int(char* const*)> decoder;
  std::vector<std::string> expected;  // unpadded; compared as Field(expected, size)
  PhotoPlace photo;
};

std::vector<KindCase> KindCases() {
  return {
      {"resident", vantel_test::ResidentText({}), 100, {31, 3, 10, 9, 19, 71, 31, 9, 9},
       [](char* const* f) { return ReadBaseInfos(f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]); },
       {"张三", "男", "汉", "19900101", "11010119900101123X", "北京市东城区 东华门大街1号",
        "北京市公安局东城分局", "20200101", "20400101"},
       PhotoPlace::kNone},
      {"foreign", vantel_test::ForeignText({}), 101, {121, 3, 30, 6, 31, 9, 9, 9, 5, 9, 2, 7},
       [](char* const* f) { return ReadAllForeignBaseInfos(f); },
       {"SMITH, JOHN", "男", "USA110090010101", "USA", "约翰", "19800101", "20230101", "20330101",
        "02", "1100", "I", "   "},
       PhotoPlace::kLibraryFolder},
      {"permit", vantel_test::PermitText({}), 102,
       {31, 3, 5, 9, 71, 19, 31, 9, 9, 19, 5, 7, 2, 7},
       [](char* const* f) { return ReadAllGatBaseInfos(f); },
       {"李四", "女", "  ", "19851231", "香港特别行政区" + std::string(28, ' '),
        "810000198512310026", "公安部" + std::string(12, ' '), "20210101", "20260101", "H12345678",
        "01", "   ", "J", "   "},
       PhotoPlace::kTempFolder},
  };
}

TEST_P(IdCardReads, EachKindIsReadEndToEnd) {
  const Bytes request[] = {vantel_test::SamRequestFrame(0x11, 0xFF),
                           vantel_test::SamRequestFrame(0x30, 0x03),
                           vantel_test::SamRequestFrame(0x20, 0x01),
                           vantel_test::SamRequestFrame(0x20, 0x02),
                           vantel_test::SamRequestFrame(0x30, 0x01)};
  const bool pcsc = GetParam() == Via::kPcsc;
  // The network reader is not among the decoders' ports.
  const bool decodes = GetParam() != Via::kNetwork;
  for (const KindCase& c : KindCases()) {
    SCOPED_TRACE(c.name);
    rig.sim().PlaceCard(vantel_test::IdCardWith(c.text));
    rig.sim().ClearRequests();
    ASSERT_EQ(Authenticate(), 1);
    ASSERT_EQ(DecideIdCardType(), c.kind);
    int result = 0;
    const std::vector<std::string> fields = Decode(c.sizes, c.decoder, &result);
    // The permit's decoder refuses the network reader with its own code.
    ASSERT_EQ(result, decodes ? 1 : c.kind == 102 ? -4 : 0);
    if (!decodes) continue;
    for (std::size_t i = 0; i < fields.size(); ++i)
      EXPECT_EQ(fields[i], Field(c.expected[i], c.sizes[i])) << "field " << i;
    if (c.photo != PhotoPlace::kNone) {
      EXPECT_TRUE(FileBytes(PhotoFolder(c.photo) + "photo.bmp") == PortraitBitmap());
      EXPECT_TRUE(platform::PathExists(PhotoFolder(c.photo) + "photo.jpg"));
    }
    // A card found anew: no new-address question over PC/SC, and no second read.
    std::vector<Bytes> expected(std::begin(request), std::end(request));
    if (pcsc) expected.erase(expected.begin() + 1);
    EXPECT_EQ(CardRequests(), expected);
  }
  if (pcsc) {
    std::vector<std::string> apdus;
    for (const Bytes& apdu : rig.PcscApdus()) {
      std::string hex;
      for (std::uint8_t byte : apdu) hex += "0123456789ABCDEF"[byte >> 4], hex += "0123456789ABCDEF"[byte & 15];
      if (hex.compare(0, 6, "FF9830") == 0 || hex.compare(0, 6, "FF9820") == 0) apdus.push_back(hex);
    }
    ASSERT_GE(apdus.size(), 8u);
    const std::vector<std::string> lastCard(apdus.end() - 8, apdus.end());
    EXPECT_EQ(lastCard, (std::vector<std::string>{"FF98200100", "FF98200200", "FF983001010000",
                                                  "FF983001010100", "FF983001010200", "FF983001010300",
                                                  "FF983001010400", "FF983001010500"}));
  }
}

TEST_P(IdCardReads, TheKeptMessageIsHandedOutOnceWithoutTouchingThePort) {
  rig.sim().PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
  ASSERT_EQ(Authenticate(), 1);
  ASSERT_EQ(DecideIdCardType(), 100);
  rig.sim().ClearRequests();
  unsigned char text[256] = {};
  unsigned char photo[1024] = {};
  unsigned textLength = 0;
  unsigned photoLength = 0;
  EXPECT_EQ(ReadBaseMsg(rig.Port(), text, &textLength, photo, &photoLength, 0), 144);
  EXPECT_TRUE(rig.sim().Requests().empty());
  EXPECT_EQ(Bytes(text, text + textLength), rig.sim().CardAs<vantel_test::SimIdentityCard>()->text);
  EXPECT_EQ(Bytes(photo, photo + photoLength), vantel_test::PortraitPhoto());
  EXPECT_EQ(ReadBaseMsg(rig.Port(), text, &textLength, photo, &photoLength, 0), 144);
  EXPECT_EQ(CardRequests(), std::vector<Bytes>{vantel_test::SamRequestFrame(0x30, 0x01)});
}

TEST_P(IdCardReads, SamIdTextFillingItsWidthsHasNoTerminator) {
  // 99, 99, 99999999, 4294967295, 4294967295: 36 characters.
  rig.sim().Sam().samId = Bytes{0x63, 0x00, 0x63, 0x00, 0xFF, 0xE0, 0xF5, 0x05,
                                0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  char text[40];
  std::memset(text, 0x7E, sizeof text);
  EXPECT_EQ(GetSamIdToStr(rig.Port(), text, 0), 144);
  EXPECT_EQ(std::string(text, 37), "99.99-99999999-4294967295-4294967295\x7E");
  std::memset(text, 0x7E, sizeof text);
  EXPECT_EQ(GetSamIdText(text), 1);
  EXPECT_STREQ(text, "99.99-99999999-4294967295-4294967295");
  EXPECT_EQ(CardRequests().back(), vantel_test::SamRequestFrame(0x12, 0xFF));
}

// One scripted fault of the base-message read and the result it must give.
struct FaultCase {
  const char* name;
  std::vector<Via> vias;
  std::function<void(vantel_test::ReaderSim&, vantel_test::SimIdentityCard&)> script;
  int expected;
};

using Sim = vantel_test::ReaderSim;
using Card = vantel_test::SimIdentityCard;
const std::vector<Via> kStreams{Via::kSerial, Via::kUsbDriver, Via::kUsbPipes};

void BadChecks(Sim& sim, int times) {
  for (int i = 0; i < times; ++i) sim.QueueFault(FaultPlan{Fault::kWrongCheck});
}

// A card whose answer states the whole text and photo but carries only 16 bytes.
void ShortOfItsLengths(Card& card) {
  card.text.resize(16);
  card.photo.clear();
  card.statedTextLength = 256;
  card.statedPhotoLength = 1024;
}

std::vector<FaultCase> FaultCases() {
  return {
      {"two bad checks, then a good one",
       {Via::kSerial, Via::kUsbDriver, Via::kUsbPipes, Via::kNetwork, Via::kHid},
       [](Sim& sim, Card&) { BadChecks(sim, 2); }, 144},
      {"three bad checks", {Via::kSerial, Via::kUsbDriver, Via::kUsbPipes, Via::kHid},
       [](Sim& sim, Card&) { BadChecks(sim, 3); }, 3},
      {"three bad checks", {Via::kNetwork}, [](Sim& sim, Card&) { BadChecks(sim, 3); }, 6},
      {"a bad check", {Via::kPcsc}, [](Sim& sim, Card&) { BadChecks(sim, 1); }, 3},
      {"LEN below 15", kStreams,
       [](Sim&, Card& card) {
         card.text.resize(3);
         card.photo.clear();
       },
       4},
      {"a frame too short for its lengths", kStreams, [](Sim&, Card& card) { ShortOfItsLengths(card); }, 3},
      {"a frame too short for its lengths", {Via::kNetwork}, [](Sim&, Card& card) { ShortOfItsLengths(card); }, 6},
      // Placed anew, the card is no longer selected: the SAM answers 'A'.
      {"SW3 'A'", {Via::kNetwork, Via::kHid}, [](Sim& sim, Card& card) { sim.PlaceCard(std::make_shared<Card>(card)); }, 3},
      {"noise before the head", {Via::kHid}, [](Sim& sim, Card&) { sim.QueueFault(FaultPlan{Fault::kNoiseFirst}); }, 144},
      {"packet 3 of 249 bytes", {Via::kPcsc},
       [](Sim& sim, Card&) {
         FaultPlan plan{Fault::kShortPacket};
         plan.packet = 3;
         sim.QueueFault(plan);
       },
       9},
      {"packet 5 of 44 bytes", {Via::kPcsc}, [](Sim& sim, Card&) { sim.QueueFault(FaultPlan{Fault::kShortBody}); }, 11},
  };
}

TEST_P(IdCardReads, BaseMessageFaultsGiveTheirCodesAndLeaveTheBuffers) {
  for (const FaultCase& c : FaultCases()) {
    if (std::find(c.vias.begin(), c.vias.end(), GetParam()) == c.vias.end()) continue;
    SCOPED_TRACE(c.name);
    auto card = vantel_test::IdCardWith(vantel_test::ResidentText({}));
    rig.sim().PlaceCard(card);
    ASSERT_EQ(Authenticate(), 1);
    c.script(rig.sim(), *card);
    unsigned char text[256];
    unsigned char photo[1024];
    std::memset(text, 0xEE, sizeof text);
    std::memset(photo, 0xEE, sizeof photo);
    unsigned textLength = 7;
    unsigned photoLength = 7;
    EXPECT_EQ(ReadBaseMsg(rig.Port(), text, &textLength, photo, &photoLength, 0), c.expected);
    if (c.expected == 144) {
      EXPECT_EQ(Bytes(text, text + textLength), card->text);
      EXPECT_EQ(Bytes(photo, photo + photoLength), card->photo);
    } else {
      EXPECT_EQ(textLength, 7u);
      EXPECT_EQ(photoLength, 7u);
      EXPECT_EQ(Bytes(text, text + 256), Bytes(256, 0xEE));
      EXPECT_EQ(Bytes(photo, photo + 1024), Bytes(1024, 0xEE));
    }
  }
}

}  // namespace
}  // namespace vantel
