// Every answer a command reports comes from its own exchange: on the network reader and the
// HID reader, the receive buffer still holds an earlier answer (another card, an old SAM
// answer) when a short answer, a missing one or a long one arrives; no transport takes bytes
// its answer did not carry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "library/cards/idcard/base_msg_read.h"
#include "library/cards/idcard/card_search.h"
#include "library/device/device_state.h"
#include "library/device/port_api.h"
#include "library/device/sam_commands.h"
#include "support/environment.h"
#include "support/transport_rig.h"

namespace vantel {
namespace {

using vantel_test::Bytes;
using vantel_test::Fault;
using vantel_test::FaultPlan;
using vantel_test::ReaderSim;
using vantel_test::SamAnswer;
using vantel_test::SamRequest;
using vantel_test::TransportRig;
using vantel_test::Via;

constexpr std::uint8_t kUntouched = 0xEE;
constexpr int kNoAnswer = 3;

// What a command gave its caller: its result, the length it reported and its buffer whole.
struct Given {
  int result = 0;
  unsigned length = 0;
  Bytes out;
};

Bytes Untouched(std::size_t size) { return Bytes(size, kUntouched); }

// A record of `size` counting bytes, as a new address or an answer's data.
Bytes Record(std::size_t size) {
  Bytes record(size);
  for (std::size_t i = 0; i < size; ++i) record[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return record;
}

void Answer(ReaderSim& sim, std::uint8_t command, std::uint8_t parameter, SamAnswer answer) {
  sim.OnSamCommand(command, parameter, [answer](const SamRequest&) { return answer; });
}

// Earlier answers.
void CardRead(TransportRig& rig) {
  rig.sim().PlaceCard(std::make_shared<vantel_test::SimIdentityCard>());
  ASSERT_EQ(Authenticate(), 1);
  unsigned char text[256], photo[1024];
  unsigned textLength = 0, photoLength = 0;
  ASSERT_EQ(ReadBaseMsg(rig.Port(), text, &textLength, photo, &photoLength, 0), 144);
}

// A card whose answer is longer than the base-message read takes: the read fails.
void OversizedCardRead(TransportRig& rig) {
  auto card = std::make_shared<vantel_test::SimIdentityCard>();
  card->photo.resize(1100, 0x5A);
  rig.sim().PlaceCard(card);
  ASSERT_EQ(Authenticate(), 1);
  unsigned char text[256], photo[1024];
  unsigned textLength = 0, photoLength = 0;
  ASSERT_EQ(ReadBaseMsg(rig.Port(), text, &textLength, photo, &photoLength, 0), 5);
}

void LongNewAddressRead(TransportRig& rig) {
  CardRead(rig);
  Answer(rig.sim(), 0x30, 0x03, SamAnswer{0, 0, 0x90, Record(250)});
  unsigned char out[280];
  unsigned length = 0;
  ASSERT_EQ(ReadNewAppMsg(rig.Port(), out, &length, 0), 144);
}

// Commands, each into a buffer of its documented size, filled beforehand.
Given SamIdText(int port) {
  Given given{0, 0, Untouched(37)};
  given.result = GetSamIdToStr(port, reinterpret_cast<char*>(given.out.data()), 0);
  return given;
}

Given SamId(int port) {
  Given given{0, 0, Untouched(16)};
  given.result = GetSamId(port, given.out.data(), 0);
  return given;
}

Given ManagementInfo(int port) {
  Given given{0, 0, Untouched(28)};
  given.result = ReadMngInfo(port, given.out.data(), 0);
  return given;
}

Given Search(int port) {
  Given given{0, 0, Untouched(4)};
  given.result = StartFindIdCard(port, reinterpret_cast<int*>(given.out.data()), 0);
  return given;
}

Given Select(int port) {
  Given given{0, 0, Untouched(8)};
  given.result = SelectIdCard(port, reinterpret_cast<int*>(given.out.data()), 0);
  return given;
}

Given NewAddress(int port) {
  Given given{0, 99, Untouched(280)};
  given.result = ReadNewAppMsg(port, given.out.data(), &given.length, 0);
  return given;
}

Given Status(int port) { return Given{GetSamStatus(port, 0), 0, {}}; }

struct StaleCase {
  const char* name;
  std::vector<Via> vias;
  std::function<void(TransportRig&)> earlier;
  // The answer the reader gives the command.
  std::function<void(TransportRig&)> answer;
  std::function<Given(int port)> command;
  Given expected;
};

const std::vector<Via> kBoth{Via::kNetwork, Via::kHid};

std::vector<StaleCase> StaleCases() {
  const Bytes samIdText = {'0', '5', '.', '0', '1', '-', '1', '2', '3', '4', '5', '6', '7', '8', '-',
                           '1', '8', '3', '4', '7', '6', '5', '1', '1', '4', '-', '1', '1', '4', '4',
                           '2', '0', '1', '7', '4', '5', kUntouched};
  return {
      {"SAM id text, status only", kBoth, CardRead,
       [](TransportRig& rig) { Answer(rig.sim(), 0x12, 0xFF, SamAnswer{0, 0, 0x90, {}}); }, SamIdText,
       {kNoAnswer, 0, Untouched(37)}},
      {"SAM id, status only", {Via::kHid}, CardRead,
       [](TransportRig& rig) { Answer(rig.sim(), 0x12, 0xFF, SamAnswer{0, 0, 0x90, {}}); }, SamId,
       {kNoAnswer, 0, Untouched(16)}},
      {"management information, 20 of 28 bytes", {Via::kNetwork, Via::kHid, Via::kSerial}, CardRead,
       [](TransportRig& rig) { Answer(rig.sim(), 0x30, 0x05, SamAnswer{0, 0, 0x90, Record(20)}); },
       ManagementInfo, {kNoAnswer, 0, Untouched(28)}},
      {"search, no card", kBoth, CardRead, [](TransportRig& rig) { rig.sim().RemoveCard(); }, Search,
       {vantel_test::kSwNoCard, 0, Untouched(4)}},
      {"select, success without its data", kBoth, CardRead,
       [](TransportRig& rig) { Answer(rig.sim(), 0x20, 0x02, SamAnswer{0, 0, 0x90, {}}); }, Select,
       {144, 0, Untouched(8)}},
      {"status after a new address of several reports", kBoth, LongNewAddressRead,
       [](TransportRig&) {}, Status, {144, 0, {}}},
      {"new address whose further reports never come", {Via::kHid}, CardRead,
       [](TransportRig& rig) {
         Answer(rig.sim(), 0x30, 0x03, SamAnswer{0, 0, 0x90, Record(250)});
         FaultPlan firstReportOnly{Fault::kShortBody};
         firstReportOnly.missingBytes = 10 + 250 + 1 - 64;
         rig.sim().QueueFault(firstReportOnly);
       },
       NewAddress, {kNoAnswer, 0, Untouched(280)}},
      {"new address from a reader fallen silent after its first report", {Via::kHid}, CardRead,
       [](TransportRig& rig) {
         Answer(rig.sim(), 0x30, 0x03, SamAnswer{0, 0, 0x90, Record(250)});
         vantel_test::SimulatedHidReader& reader = rig.hid.Readers().front();
         reader.inputReportsBeforeFailure = reader.inputReportsServed + 1;
       },
       NewAddress, {kNoAnswer, 0, Untouched(280)}},
      {"SAM id text after an answer too long for its read", {Via::kNetwork}, OversizedCardRead,
       [](TransportRig&) {}, SamIdText, {144, 0, samIdText}},
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
    c.earlier(rig);
    c.answer(rig);
    const Given given = c.command(rig.Port());
    EXPECT_EQ(given.result, c.expected.result);
    EXPECT_EQ(given.length, c.expected.length);
    EXPECT_EQ(given.out, c.expected.out);
  }
}

INSTANTIATE_TEST_SUITE_P(NetworkHidAndSerial, StaleAnswers,
                         ::testing::Values(Via::kNetwork, Via::kHid, Via::kSerial),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

}  // namespace
}  // namespace vantel
