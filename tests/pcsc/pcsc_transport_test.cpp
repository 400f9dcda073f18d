#include "library/device/pcsc_transport.h"

#include <gtest/gtest.h>

#include "support/environment.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "library/device/device_state.h"
#include "support/pcsc_service.h"
#include "support/reader_sim.h"
#include "support/reader_sim_pcsc.h"

namespace vantel {
namespace {

using vantel_test::Bytes;

const Bytes kStatusAnswer{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0x00, 0x00, 0x90, 0x94};
// A plain APDU whose answer is longer than a 256-byte buffer.
const Bytes kLongRead{0x00, 0xB0, 0x00, 0x00, 0x00};
constexpr std::size_t kLongAnswerSize = 300;

Bytes LongAnswer() {
  Bytes answer(kLongAnswerSize - 2);
  for (std::size_t i = 0; i < answer.size(); ++i) answer[i] = static_cast<std::uint8_t>(i);
  answer.push_back(0x90);
  answer.push_back(0x00);
  return answer;
}

// The attached readers: the known one answers the pseudo-APDUs, the other anything at all.
class PcscTransport : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const vantel_test::PcscService& service = vantel_test::StartPcscService();
    if (!service.failure.empty()) return;
    sim_ = new vantel_test::ReaderSim;
    sim_->Device().version = {0x01, 0x02, 0x03};
    vantel_test::ReaderSim* sim = sim_;
    auto pseudo = vantel_test::PseudoApduAnswerer(
        [sim](const Bytes& frame) { return sim->AnswerFrame(frame); },
        [sim](const Bytes& apdu) { return sim->AnswerReaderCode(apdu); });
    knownCard_ = new vantel_test::VirtualCard(service.knownReaderCardPort, [pseudo](const Bytes& apdu) {
      return apdu == kLongRead ? LongAnswer() : pseudo(apdu);
    });
    unknownCard_ = new vantel_test::VirtualCard(service.unknownReaderCardPort,
                                                [](const Bytes&) { return Bytes{0x90, 0x00}; });
  }
  static void TearDownTestSuite() {
    delete knownCard_;
    delete unknownCard_;
    delete sim_;
    knownCard_ = unknownCard_ = nullptr;
    sim_ = nullptr;
  }

  void SetUp() override {
    const std::string& failure = vantel_test::StartPcscService().failure;
    VANTEL_SKIP_UNLESS_CI(failure);
    ASSERT_TRUE(knownCard_->IsConnected() && unknownCard_->IsConnected());
    ASSERT_TRUE(vantel_test::WaitForCard(vantel_test::kKnownReaderName));
    ASSERT_TRUE(vantel_test::WaitForCard(vantel_test::kUnknownReaderName));
    Device().pcsc = PcscState{};
  }
  void TearDown() override {
    if (Device().pcsc.gPcscCard > 0) PcscDisconnect(Device().pcsc.gPcscCard);
    Device().pcsc = PcscState{};
  }

  static bool Connect(const char* name) {
    Device().pcsc.gPcscCard = OpenPcscReader(name);
    return Device().pcsc.gPcscCard != -1;
  }

  // The commands' way: hex text, a 256-byte answer buffer.
  static int Send(const char* text, Bytes* answer) {
    const int length = static_cast<int>(std::strlen(text));
    Bytes command(static_cast<std::size_t>(length) / 2);
    ParseHexText(text, command.data(), length);
    answer->assign(256, 0);
    unsigned received = 256;
    int status = PCSCTransmit(Device().pcsc.gPcscCard, static_cast<unsigned>(command.size()),
                              command.data(), &received, answer->data());
    answer->resize(received);
    return status;
  }

  static vantel_test::ReaderSim* sim_;
  static vantel_test::VirtualCard* knownCard_;
  static vantel_test::VirtualCard* unknownCard_;
};

vantel_test::ReaderSim* PcscTransport::sim_ = nullptr;
vantel_test::VirtualCard* PcscTransport::knownCard_ = nullptr;
vantel_test::VirtualCard* PcscTransport::unknownCard_ = nullptr;

TEST_F(PcscTransport, TheFirstOpenListsTheReadersInTheWindowsForm) {
  ASSERT_TRUE(Connect(vantel_test::kKnownReaderName));
  const std::vector<std::string>& names = Device().pcsc.readerNames;
  EXPECT_EQ(names, (std::vector<std::string>{"Kestor Passport Reader 0", "Kestor Passport Reader 1",
                                             "Acme Card Reader 0", "Acme Card Reader 1"}));
  EXPECT_EQ(Device().pcsc.chosenReader, 0);
  EXPECT_EQ(Device().pcsc.sendHeader.protocol, platform::kPcscProtocolT1);
}

TEST_F(PcscTransport, PseudoApdusReachTheSamAndTheReader) {
  ASSERT_TRUE(Connect(vantel_test::kKnownReaderName));
  Bytes answer;
  Send("FF9811FF00", &answer);
  EXPECT_EQ(answer, kStatusAnswer);  // the SAM's frame, without a status word
  EXPECT_EQ(Send("FF97101000", &answer), 0x9000);
  EXPECT_EQ(answer, (Bytes{0x01, 0x02, 0x03, 0x90, 0x00}));
}

TEST_F(PcscTransport, AnAnswerLongerThanTheBufferIsCutToIt) {
  ASSERT_TRUE(Connect(vantel_test::kKnownReaderName));
  Bytes answer;
  EXPECT_EQ(Send("00B0000000", &answer), 0x9000);
  const Bytes whole = LongAnswer();
  EXPECT_EQ(answer, Bytes(whole.begin(), whole.begin() + 256));
}

TEST_F(PcscTransport, OnlyTheFirstOpenListsTheReaders) {
  ASSERT_TRUE(Connect(vantel_test::kKnownReaderName));
  PcscDisconnect(Device().pcsc.gPcscCard);
  Device().pcsc.readerNames.clear();
  ASSERT_TRUE(Connect(vantel_test::kKnownReaderName));
  EXPECT_TRUE(Device().pcsc.readerNames.empty());
}

TEST_F(PcscTransport, AReaderOfAnUnknownNameIsNeverUsed) {
  const std::size_t apdusBefore = unknownCard_->Apdus().size();
  int connected = 0;
  for (const char* known : {"Kestor Passport Reader 0", "Wintone Passport Reader 0",
                            "Wint Passport Reader 0", "Kestor SmartCard Reader 0"}) {
    if (!Connect(known)) continue;
    ++connected;
    Bytes answer;
    Send("FF9811FF00", &answer);
    PcscDisconnect(Device().pcsc.gPcscCard);
  }
  EXPECT_EQ(connected, 1);
  EXPECT_EQ(unknownCard_->Apdus().size(), apdusBefore);
  EXPECT_FALSE(Connect("Acme Card Reader"));  // a friendly name alone names no reader
}

TEST_F(PcscTransport, ATransmitWithoutACardFailsAndReceivesNothing) {
  Device().pcsc.gPcscCard = -1;
  Bytes answer;
  EXPECT_EQ(Send("FF9811FF00", &answer), 0xFFFF);
  EXPECT_TRUE(answer.empty());
}

}  // namespace
}  // namespace vantel
