// The CPU card and its APDUs on every transport the simulator reaches.
#include "library/device/apdu.h"
#include "library/device/cpu_card.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "card_fixture.h"
#include "library/device/hex_text.h"

namespace vantel {
namespace {

using vantel_test::SimCpuCard;

std::string Hex(const Bytes& bytes) {
  std::string text(2 * bytes.size() + 1, '\0');
  BytesToLowerHex(text.data(), static_cast<int>(bytes.size()), bytes.data());
  text.pop_back();
  return text;
}

Bytes FileWithStatus(const SimCpuCard& card, std::size_t at, std::size_t count) {
  Bytes expected(card.file.begin() + static_cast<std::ptrdiff_t>(at),
                 card.file.begin() + static_cast<std::ptrdiff_t>(at + count));
  expected.push_back(0x90);
  expected.push_back(0x00);
  return expected;
}

class CpuCard : public CardCommands {
 protected:
  bool HasApduPath() const {
    return via() == Via::kHid || via() == Via::kSerial || via() == Via::kPcsc;
  }

  // Sends the APDU text; the answer, or the result when it is not 1.
  int Apdu(const std::string& text, Bytes* answer) {
    unsigned char out[kApduAnswerCapacity] = {};
    int length = -1;
    const int result = SendApdu(text.c_str(), out, &length);
    if (result == 1) answer->assign(out, out + length);
    return result;
  }
};

TEST_P(CpuCard, PowerAtsPpsAndApduRoundTrip) {
  SimCpuCard* card = Place<SimCpuCard>();
  if (via() == Via::kNetwork) {
    EXPECT_EQ(ActivateCpuCard(), -2);
    EXPECT_TRUE(Requests().empty());
    return;
  }
  const bool pcsc = via() == Via::kPcsc;
  EXPECT_EQ(ActivateCpuCard(), 1);
  EXPECT_TRUE(card->powered);
  unsigned char ats[64];
  int atsLength = 0;
  // ATS and PPS have no PC/SC form: nothing goes out there.
  EXPECT_EQ(ReadCpuCardAts(ats, &atsLength), pcsc ? -2 : 1);
  EXPECT_EQ(SetCpuCardPps(0x11, 0x0102), pcsc ? -2 : 1);
  if (!pcsc) {
    EXPECT_EQ(Bytes(ats, ats + atsLength), card->ats);
    EXPECT_EQ(card->pps, (Bytes{0x11, 0x02}));
  }
  Bytes answer;
  const int apdu = Apdu("00A4040000", &answer);
  EXPECT_EQ(PowerOffCpuCard(), 1);
  EXPECT_FALSE(card->powered);

  const Bytes select{0x00, 0xA4, 0x04, 0x00, 0x00};
  if (pcsc) {
    EXPECT_EQ(apdu, 1);
    EXPECT_EQ(answer, (Bytes{0x90, 0x00}));
    EXPECT_EQ(Requests(), (std::vector<Bytes>{{0xFF, 0x97, 0x10, 0x03, 0x00}, select,
                                              {0xFF, 0x97, 0x10, 0x04, 0x00}}));
    return;
  }
  std::vector<Bytes> expected{{0x55, 0xAA, 0x04, 0x53, 0xFF, 0xFF, 0xA8},
                              {0x55, 0xAA, 0x04, 0x54, 0xFF, 0xFF, 0xAF},
                              VendorFrame({0x55, 0xFF, 0x11, 0x02})};
  if (via() == Via::kHid || via() == Via::kSerial) {
    EXPECT_EQ(apdu, 1);
    EXPECT_EQ(answer, (Bytes{0x90, 0x00}));
    expected.push_back(VendorFrame({0x51, 0xFF, 0x00, 0xA4, 0x04, 0x00, 0x00}));
  } else {
    EXPECT_EQ(apdu, -3);  // no APDU path through the USB driver
  }
  expected.push_back({0x55, 0xAA, 0x04, 0x52, 0xFF, 0xFF, 0xA9});
  EXPECT_EQ(Requests(), expected);
}

TEST_P(CpuCard, RefusalsAndMissingAnswers) {
  if (via() == Via::kNetwork) GTEST_SKIP() << "nothing is sent to the network reader";
  EXPECT_EQ(ActivateCpuCard(), 0);  // no card
  EXPECT_EQ(ReadCpuCardAts(nullptr, nullptr), -1);
  EXPECT_EQ(Requests().size(), 1u);
  if (!Streams()) return;
  rig.sim().QueueFault({vantel_test::Fault::kSilence});
  Settings().gComTimeout = 300;
  EXPECT_EQ(PowerOffCpuCard(), -3);
}

TEST_P(CpuCard, WholeReadBinaryGoesInTwoHalves) {
  if (!HasApduPath()) GTEST_SKIP() << "no APDU path";
  SimCpuCard* card = Place<SimCpuCard>();
  card->powered = true;
  Bytes answer;
  ASSERT_EQ(Apdu("00B0000500", &answer), 1);
  Bytes expected = FileWithStatus(*card, 5, 256);
  EXPECT_EQ(answer, expected);
  EXPECT_EQ(card->apdus, (std::vector<Bytes>{{0x00, 0xB0, 0x00, 0x05, 0x80},
                                             {0x00, 0xB0, 0x00, 0x85, 0x80}}));

  // A file that ends within the first half is that half alone.
  card->file.resize(100);
  card->apdus.clear();
  ASSERT_EQ(Apdu("00B0000000", &answer), 1);
  EXPECT_EQ(answer, FileWithStatus(*card, 0, 100));
  EXPECT_EQ(card->apdus.size(), 1u);
}

TEST_P(CpuCard, LongAnswerEndsAtItsStatusWord) {
  if (via() != Via::kHid && via() != Via::kSerial) GTEST_SKIP() << "no long vendor answers";
  SimCpuCard* card = Place<SimCpuCard>();
  card->powered = true;
  Bytes answer;
  ASSERT_EQ(Apdu("00B00000F9", &answer), 1);
  EXPECT_EQ(answer, FileWithStatus(*card, 0, 0xF9));
  if (via() == Via::kHid) {
    // 55 AA LEN 51 FF, 251 answer bytes and XOR: five reports, no new request.
    EXPECT_EQ(rig.hid.Readers().front().inputReportsServed, 5);
    EXPECT_EQ(Device().hid.gAcceptEmptyReport, 0);
  }

  rig.sim().OnVendorCommand(0x51, [](const Bytes&) -> std::optional<Bytes> {
    Bytes noStatus(252, 0x11);
    noStatus[0] = 0x51;
    noStatus[1] = 0xFF;
    return noStatus;
  });
  EXPECT_EQ(Apdu("00B00000F9", &answer), via() == Via::kHid ? -3 : 1);
}

// A reader whose input reports carry 32 frame bytes: answers are joined from those, short
// ones and long ones alike.
TEST_P(CpuCard, AnswersComeInTheReportsTheReaderDeclares) {
  if (via() != Via::kHid) GTEST_SKIP() << "HID only";
  rig.hid.Readers().front().inputReportLength = 33;
  ASSERT_EQ(OpenPort(rig.Port()), 144);
  SimCpuCard* card = Place<SimCpuCard>();
  card->powered = true;
  for (std::uint8_t size : {0x10, 0x30, 0xF9}) {
    SCOPED_TRACE(static_cast<int>(size));
    Bytes answer;
    ASSERT_EQ(Apdu("00B00000" + Hex({size}), &answer), 1);
    EXPECT_EQ(answer, FileWithStatus(*card, 0, size));
  }
}

// Answers whose counts do not fit the caller's buffer are refused, the buffer untouched.
TEST_P(CpuCard, OversizedAnswersAreRefused) {
  if (via() != Via::kHid && via() != Via::kSerial) GTEST_SKIP() << "vendor answers of any length";
  struct Row {
    std::uint8_t command;
    std::size_t dataBytes;
    std::function<int(unsigned char*)> call;
  };
  int length = 0;
  const Row rows[] = {
      // 300 bytes over the byte stream (HID caps a long answer itself).
      {0x51, via() == Via::kSerial ? 300u : 0u, [&](unsigned char* out) { return SendApdu("00A4040000", out, &length); }},
      // A READ BINARY half of more than 128 bytes and its status word.
      {0x51, 131, [&](unsigned char* out) { return SendApdu("00B0000000", out, &length); }},
      {0x54, 60, [&](unsigned char* out) { return ReadCpuCardAts(out, &length); }},
  };
  for (const Row& row : rows) {
    if (row.dataBytes == 0) continue;
    rig.sim().OnVendorCommand(row.command, [row](const Bytes&) -> std::optional<Bytes> {
      Bytes answer(row.dataBytes + 2, 0x90);
      answer[0] = row.command;
      answer[1] = 0xFF;
      return answer;
    });
    unsigned char out[kApduAnswerCapacity];
    std::fill(out, out + sizeof out, 0xEE);
    EXPECT_EQ(row.call(out), 0) << row.dataBytes;
    EXPECT_EQ(out[0], 0xEE);
  }
}

TEST_P(CpuCard, TextLengthsAndPorts) {
  struct Row {
    std::size_t length;
    int expected;
  };
  const bool serial = via() == Via::kSerial;
  const bool apduPath = serial || via() == Via::kHid || via() == Via::kPcsc;
  const Row rows[] = {{497, -1}, {3, 0}, {0, 0}, {254, serial ? -1 : apduPath ? 1 : -3}};
  SimCpuCard* card = Place<SimCpuCard>();
  card->powered = true;
  for (const Row& row : rows) {
    std::string text(row.length, '0');
    Bytes answer;
    EXPECT_EQ(Apdu(text, &answer), row.expected) << row.length;
  }
  unsigned char out[4];
  int length;
  EXPECT_EQ(SendApdu(nullptr, out, &length), 0);
  EXPECT_EQ(SendApdu("00A4040000", nullptr, &length), 0);
  if (!apduPath) {
    EXPECT_TRUE(Requests().empty());
  }
}

INSTANTIATE_TEST_SUITE_P(Transports, CpuCard, ::testing::ValuesIn(CardTransports()),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

// HID requests longer than one report go out in chunks of 55 bytes.
TEST_P(CpuCard, LongHidRequestsGoInChunks) {
  if (via() != Via::kHid) GTEST_SKIP() << "HID only";
  SimCpuCard* card = Place<SimCpuCard>();
  card->powered = true;
  struct Row {
    int bytes;
    std::vector<int> chunks;
  };
  const Row rows[] = {{59, {55, 4}}, {110, {55, 55, 0}}};
  for (const Row& row : rows) {
    Bytes command{0x00, 0xD6, 0x00, 0x00, static_cast<std::uint8_t>(row.bytes - 5)};
    for (int i = 5; i < row.bytes; ++i) command.push_back(static_cast<std::uint8_t>(i));
    rig.sim().ClearRequests();
    Bytes answer;
    ASSERT_EQ(Apdu(Hex(command), &answer), 1) << row.bytes;
    EXPECT_EQ(answer, (Bytes{0x90, 0x00}));
    EXPECT_EQ(card->apdus.back(), command);
    std::vector<Bytes> expected;
    const auto count = static_cast<std::uint8_t>(row.chunks.size());
    for (std::size_t i = 0; i < row.chunks.size(); ++i) {
      Bytes payload{0x51, static_cast<std::uint8_t>(i + 1), 0x00,
                    static_cast<std::uint8_t>(row.bytes), count};
      for (int j = 0; j < row.chunks[i]; ++j) payload.push_back(command[55 * i + j]);
      expected.push_back(VendorFrame(payload));
    }
    EXPECT_EQ(Requests(), expected);
  }
}

TEST_P(CpuCard, FailedHidContinuationReportGivesNothing) {
  if (via() != Via::kHid) GTEST_SKIP() << "HID only";
  SimCpuCard* card = Place<SimCpuCard>();
  card->powered = true;
  rig.hid.Readers().front().inputReportsBeforeFailure = 2;
  unsigned char out[kApduAnswerCapacity];
  std::fill(out, out + sizeof out, 0xEE);
  int length = -1;
  EXPECT_EQ(SendApdu("00B00000F9", out, &length), 0);
  EXPECT_EQ(out[0], 0xEE);
  EXPECT_EQ(Device().hid.gAcceptEmptyReport, 0);
}

}  // namespace
}  // namespace vantel
