// Every answer a command reports comes from its own exchange: on the network reader and the
// HID reader, the receive buffer still holds an earlier answer (another card, an old SAM
// answer) when a short answer, a missing one or a long one arrives; no transport takes bytes
// its answer did not carry.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "library/cards/idcard/base_msg_read.h"
#include "library/cards/idcard/card_search.h"
#include "library/device/port_api.h"
#include "library/device/sam_commands.h"
#include "support/environment.h"
#include "support/transport_rig.h"

namespace vantel {
namespace {

using vantel_test::Bytes;
using vantel_test::SamAnswer;
using vantel_test::TransportRig;
using vantel_test::Via;

constexpr std::uint8_t kUntouched = 0xEE;

// What a command gave its caller: its result, the length it reported and its whole buffer.
struct Given {
  int result;
  unsigned length;
  Bytes out;
};

Bytes Untouched(std::size_t size) { return Bytes(size, kUntouched); }

Bytes Record(std::size_t size) {
  Bytes record(size);
  for (std::size_t i = 0; i < size; ++i) record[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return record;
}

void Answer(TransportRig& rig, std::uint8_t command, std::uint8_t parameter, SamAnswer answer) {
  rig.sim().OnSamCommand(command, parameter,
                         [answer](const vantel_test::SamRequest&) { return answer; });
}

// The earlier answer: a card whose photo has `photoSize` bytes, read with `expected`.
void ReadCard(TransportRig& rig, std::size_t photoSize = 1024, int expected = 144) {
  auto card = std::make_shared<vantel_test::SimIdentityCard>();
  card->photo.resize(photoSize, 0x5A);
  rig.sim().PlaceCard(card);
  ASSERT_EQ(Authenticate(), 1);
  unsigned char text[256], photo[1024];
  unsigned textLength = 0, photoLength = 0;
  ASSERT_EQ(ReadBaseMsg(rig.Port(), text, &textLength, photo, &photoLength, 0), expected);
}

// A command writing into `out`, a buffer filled beforehand, and maybe a length.
using Command = std::function<int(int port, std::uint8_t* out, unsigned* length)>;

int SamIdText(int port, std::uint8_t* out, unsigned*) {
  return GetSamIdToStr(port, reinterpret_cast<char*>(out), 0);
}
int NewAddress(int port, std::uint8_t* out, unsigned* length) {
  return ReadNewAppMsg(port, out, length, 0);
}

struct StaleCase {
  const char* name;
  std::vector<Via> vias;
  std::function<void(TransportRig&)> earlierAndAnswer;
  Command command;
  std::size_t outSize;
  Given expected;
};

const std::vector<Via> kBoth{Via::kNetwork, Via::kHid};

// The new address of 250 bytes, its further reports lost in `how`.
std::function<void(TransportRig&)> LongNewAddress(std::function<void(TransportRig&)> how) {
  return [how](TransportRig& rig) {
    ReadCard(rig);
    Answer(rig, 0x30, 0x03, SamAnswer{0, 0, 0x90, Record(250)});
    how(rig);
  };
}

// A status answer after one that succeeded, sent with only `statusBytes` of its three.
StaleCase StatusCutTo(const char* name, std::size_t statusBytes) {
  return {name, {Via::kNetwork},
          [statusBytes](TransportRig& rig) {
            ASSERT_EQ(GetSamStatus(rig.Port(), 0), 144);
            vantel_test::FaultPlan cut{vantel_test::Fault::kStatusCut};
            cut.statusBytes = statusBytes;
            rig.sim().QueueFault(cut);
          },
          [](int port, std::uint8_t*, unsigned*) { return GetSamStatus(port, 0); }, 0,
          {3, 0, {}}};
}

std::vector<StaleCase> StaleCases() {
  const std::string samIdText = "05.01-12345678-1834765114-1144201745";  // the simulator's id
  Bytes samIdOut(samIdText.begin(), samIdText.end());
  samIdOut.push_back(kUntouched);
  return {
      {"SAM id text, status only", kBoth,
       [](TransportRig& rig) { ReadCard(rig); Answer(rig, 0x12, 0xFF, SamAnswer{}); }, SamIdText,
       37, {3, 0, Untouched(37)}},
      {"SAM id, status only", {Via::kHid},
       [](TransportRig& rig) { ReadCard(rig); Answer(rig, 0x12, 0xFF, SamAnswer{}); },
       [](int port, std::uint8_t* out, unsigned*) { return GetSamId(port, out, 0); }, 16,
       {3, 0, Untouched(16)}},
      {"management information, 20 of 28 bytes", {Via::kNetwork, Via::kHid, Via::kSerial},
       [](TransportRig& rig) {
         ReadCard(rig);
         Answer(rig, 0x30, 0x05, SamAnswer{0, 0, 0x90, Record(20)});
       },
       [](int port, std::uint8_t* out, unsigned*) { return ReadMngInfo(port, out, 0); }, 28,
       {3, 0, Untouched(28)}},
      {"search, no card", kBoth, [](TransportRig& rig) { ReadCard(rig); rig.sim().RemoveCard(); },
       [](int port, std::uint8_t* out, unsigned*) {
         return StartFindIdCard(port, reinterpret_cast<int*>(out), 0);
       },
       4, {vantel_test::kSwNoCard, 0, Untouched(4)}},
      {"select, success without its data", kBoth,
       [](TransportRig& rig) { ReadCard(rig); Answer(rig, 0x20, 0x02, SamAnswer{}); },
       [](int port, std::uint8_t* out, unsigned*) {
         return SelectIdCard(port, reinterpret_cast<int*>(out), 0);
       },
       8, {144, 0, Untouched(8)}},
      {"status after a new address of several reports", kBoth,
       LongNewAddress([](TransportRig& rig) {
         unsigned char out[280];
         unsigned length = 0;
         ASSERT_EQ(ReadNewAppMsg(rig.Port(), out, &length, 0), 144);
       }),
       [](int port, std::uint8_t*, unsigned*) { return GetSamStatus(port, 0); }, 0, {144, 0, {}}},
      {"new address whose further reports never come", {Via::kHid},
       LongNewAddress([](TransportRig& rig) {
         vantel_test::FaultPlan firstReportOnly{vantel_test::Fault::kShortBody};
         firstReportOnly.missingBytes = 10 + 250 + 1 - 64;
         rig.sim().QueueFault(firstReportOnly);
       }),
       NewAddress, 280, {3, 0, Untouched(280)}},
      {"new address from a reader fallen silent after its first report", {Via::kHid},
       LongNewAddress([](TransportRig& rig) {
         vantel_test::SimulatedHidReader& reader = rig.hid.Readers().front();
         reader.inputReportsBeforeFailure = reader.inputReportsServed + 1;
       }),
       NewAddress, 280, {3, 0, Untouched(280)}},
      {"SAM id after a new address stating more than a record holds", {Via::kHid},
       [](TransportRig& rig) {
         Answer(rig, 0x30, 0x03, SamAnswer{0, 0, 0x90, Record(310)});  // LEN 314: six reports
         unsigned char out[280];
         unsigned length = 0;
         ASSERT_EQ(ReadNewAppMsg(rig.Port(), out, &length, 0), 144);
         EXPECT_EQ(Bytes(out, out + length), Record(280));
         EXPECT_EQ(GetSamStatus(rig.Port(), 0), 144);
       },
       [](int port, std::uint8_t* out, unsigned*) { return GetSamId(port, out, 0); }, 16,
       {144, 0, vantel_test::SimSam{}.samId}},
      StatusCutTo("status answer without its status bytes", 0),
      StatusCutTo("status answer with SW1 alone", 1),
      StatusCutTo("status answer without its SW3", 2),
      {"SAM id text after an answer too long for its read", {Via::kNetwork},
       [](TransportRig& rig) { ReadCard(rig, 1100, 5); }, SamIdText, 37, {144, 0, samIdOut}},
  };
}

class StaleAnswers : public ::testing::TestWithParam<Via> {};

TEST_P(StaleAnswers, EachCommandReportsOnlyWhatItsOwnAnswerCarried) {
  for (const StaleCase& c : StaleCases()) {
    if (std::find(c.vias.begin(), c.vias.end(), GetParam()) == c.vias.end()) continue;
    SCOPED_TRACE(c.name);
    TransportRig rig(GetParam());
    VANTEL_SKIP_UNLESS_CI(rig.failure());
    ASSERT_EQ(OpenPort(rig.Port()), 144);
    c.earlierAndAnswer(rig);
    Given given{0, 0, Untouched(c.outSize)};
    given.result = c.command(rig.Port(), given.out.data(), &given.length);
    EXPECT_EQ(given.result, c.expected.result);
    EXPECT_EQ(given.length, c.expected.length);
    EXPECT_EQ(given.out, c.expected.out);
  }
}

// A HID reader whose input reports are shorter than the usual 65 bytes: every answer is taken
// from the bytes its reports carry, never from zeros past their end, and each answer's
// reports are all read by its own command.
TEST(HidReportLength, AnswersAreJoinedFromTheReportsTheReaderDeclares) {
  TransportRig rig(Via::kHid);
  rig.hid.Readers().front().inputReportLength = 33;  // 32 frame bytes a report
  ASSERT_EQ(OpenPort(rig.Port()), 144);
  for (int i = 0; i < 28; ++i) rig.sim().Sam().managementInfo[i] = static_cast<std::uint8_t>(i + 1);
  unsigned char info[28] = {};
  EXPECT_EQ(ReadMngInfo(rig.Port(), info, 0), 144);
  EXPECT_EQ(Bytes(info, info + 28), rig.sim().Sam().managementInfo);

  auto card = std::make_shared<vantel_test::SimIdentityCard>();
  card->text = Record(256);
  card->photo = Record(1024);
  rig.sim().PlaceCard(card);
  ASSERT_EQ(Authenticate(), 1);
  unsigned char text[256] = {}, photo[1024] = {};
  unsigned textLength = 0, photoLength = 0;
  EXPECT_EQ(ReadBaseMsg(rig.Port(), text, &textLength, photo, &photoLength, 0), 144);
  EXPECT_EQ(Bytes(text, text + textLength), card->text);
  EXPECT_EQ(Bytes(photo, photo + photoLength), card->photo);

  Answer(rig, 0x30, 0x03, SamAnswer{0, 0, 0x90, Record(250)});
  unsigned char address[280] = {};
  unsigned addressLength = 0;
  EXPECT_EQ(ReadNewAppMsg(rig.Port(), address, &addressLength, 0), 144);
  EXPECT_EQ(Bytes(address, address + addressLength), Record(250));
  EXPECT_EQ(GetSamStatus(rig.Port(), 0), 144);
}

INSTANTIATE_TEST_SUITE_P(NetworkHidAndSerial, StaleAnswers,
                         ::testing::Values(Via::kNetwork, Via::kHid, Via::kSerial),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

}  // namespace
}  // namespace vantel
