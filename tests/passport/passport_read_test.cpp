// The e-passport exports against the simulator's passport chip as the virtual card of a
// real PC/SC service (pcscd with vpcd; under wine the tests' WinSCard.dll).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>

#include "library/device/device_state.h"
#include "library/device/passport/bac.h"
#include "library/device/port_api.h"
#include "library/exports/passport_exports.h"
#include "support/hex_bytes.h"
#include "support/passport_chip.h"
#include "support/pcsc_service.h"
#include "support/reader_sim_pcsc.h"

namespace vantel {
namespace {

using vantel_test::Bytes;
using vantel_test::ChipFault;
using vantel_test::FromHex;
using vantel_test::PassportChip;

const std::string kMrz = "L898902C<3UTO6908061F9406236ZE184226B<<<<<14";
const std::string kOtherMrz = "X123456785UTO6908061F9406236ZE184226B<<<<<14";

std::atomic<PassportChip*> currentChip{nullptr};

// The worked example's RND.IFD and K.IFD, so that every command is known in advance.
bool ExampleRandom(std::uint8_t* out, std::size_t length) {
  const Bytes bytes = FromHex(length == 8 ? "781723860C06C226" : "0B795240CB7049B01C19B33E32804F0B");
  std::memcpy(out, bytes.data(), length);
  return true;
}

class PassportRead : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const vantel_test::PcscService& service = vantel_test::StartPcscService();
    if (!service.failure.empty()) return;
    card_ = new vantel_test::VirtualCard(service.knownReaderCardPort, [](const Bytes& apdu) {
      PassportChip* chip = currentChip.load();
      return chip ? chip->Answer(apdu) : Bytes{0x6A, 0x82};
    });
  }
  static void TearDownTestSuite() {
    delete card_;
    card_ = nullptr;
  }

  void SetUp() override {
    const std::string& failure = vantel_test::StartPcscService().failure;
    if (!failure.empty()) GTEST_SKIP() << failure;
    ASSERT_TRUE(card_->IsConnected());
    ASSERT_TRUE(vantel_test::WaitForCard(vantel_test::kKnownReaderName));
    previousRandom_ = SetBacRandomSource(ExampleRandom);
    NewChip();
    ASSERT_EQ(InitComm(kUsbPortFirst), 1);
    ASSERT_EQ(Device().gPort, kPcscPort);
  }
  void TearDown() override {
    CloseComm();
    currentChip = nullptr;
    SetBacRandomSource(previousRandom_);
  }

  PassportChip& NewChip() {
    chip_ = std::make_unique<PassportChip>(kMrz);
    currentChip = chip_.get();
    return *chip_;
  }

  // The APDUs the chip received since `from`.
  static std::vector<Bytes> ApdusSince(std::size_t from) {
    const std::vector<Bytes> all = card_->Apdus();
    return std::vector<Bytes>(all.begin() + static_cast<std::ptrdiff_t>(from), all.end());
  }

  static vantel_test::VirtualCard* card_;
  std::unique_ptr<PassportChip> chip_;
  RandomSource previousRandom_ = nullptr;
};

vantel_test::VirtualCard* PassportRead::card_ = nullptr;

TEST_F(PassportRead, FindsAndReadsEveryFileWithTheExpectedCommands) {
  const std::size_t before = card_->Apdus().size();
  EXPECT_EQ(Kestor_FindPassport(), 1);
  EXPECT_EQ(Kestor_ReadPassport(0, kMrz.c_str(), 0), 0);

  const Bytes select = FromHex("00A4040C07A0000002471001");
  std::vector<Bytes> expected = {
      select, select, FromHex("00B09E0006"), FromHex("0084000008"),
      FromHex("0082000028 72C29C2371CC9BDB65B779B8E8D37B29ECC154AA56A8799FAE2F498F76ED92F2"
              "5F1448EEA8AD90A7 28")};
  // Each file: six bytes by short file id, then the rest from offset 6 (the length byte
  // minus 4; DG15 always 159). The SSC counts each command and each answer.
  struct Read {
    std::uint8_t shortId;
    std::uint8_t rest;
  };
  const Read reads[] = {{0x1E, 0x14 - 4}, {0x01, 0x5B - 4}, {0x0B, 0x0F - 4}, {0x02, 0x82 - 4}, {0x0F, 159}};
  Bytes ssc = chip_->StartSsc();
  auto next = [&ssc] {
    for (int i = 7; i >= 0 && ++ssc[i] == 0; --i) {
    }
    return ssc;
  };
  for (const Read& read : reads) {
    expected.push_back(vantel_test::chip_crypto::ProtectedRead(chip_->SessionMacKey(), next(),
                                                                static_cast<std::uint8_t>(0x80 | read.shortId), 0, 6));
    next();
    expected.push_back(vantel_test::chip_crypto::ProtectedRead(chip_->SessionMacKey(), next(), 0, 6, read.rest));
    next();
  }
  EXPECT_EQ(ApdusSince(before), expected);
}

TEST_F(PassportRead, EachFailingStepEndsWithItsCode) {
  // APDUs of a read: 0 SELECT, 1 probe, 2 GET CHALLENGE, 3 MUTUAL AUTHENTICATE, then two per
  // file: 4, 5 EF.COM; 6, 7 DG1; 8, 9 DG11; 10, 11 DG2; 12, 13 DG15.
  struct Case {
    const char* what;
    std::string mrz;
    std::vector<std::pair<std::size_t, ChipFault>> faults;
    bool withoutDg11;
    int expected;
    std::size_t apdusSent;  // 0: not counted
  };
  auto mrzWith = [](std::size_t position, char c) {
    std::string line = kMrz;
    line[position] = c;
    return line;
  };
  const Case cases[] = {
      {"document-number check digit", mrzWith(9, '4'), {}, false, -1, 2},
      {"birth-date check digit", mrzWith(19, '2'), {}, false, -2, 2},
      {"expiry check digit", mrzWith(27, '5'), {}, false, -3, 2},
      {"GET CHALLENGE status", kMrz, {{2, ChipFault::kStatus}}, false, -4, 3},
      {"MUTUAL AUTHENTICATE status", kMrz, {{3, ChipFault::kStatus}}, false, -5, 4},
      {"another passport's keys", kOtherMrz, {}, false, -5, 4},
      {"chip's authentication MAC", kMrz, {{3, ChipFault::kAnswerMac}}, false, -6, 4},
      {"another RND.IFD under a valid MAC", kMrz, {{3, ChipFault::kOtherRndIfd}}, false, -5, 4},
      {"another RND.IC under a valid MAC", kMrz, {{3, ChipFault::kOtherRndIc}}, false, -5, 4},
      {"EF.COM first read status", kMrz, {{4, ChipFault::kStatus}}, false, -7, 5},
      {"EF.COM first read MAC", kMrz, {{4, ChipFault::kAnswerMac}}, false, -8, 5},
      {"EF.COM tag", kMrz, {{4, ChipFault::kFirstTag}}, false, -9, 5},
      {"EF.COM second read status", kMrz, {{5, ChipFault::kStatus}}, false, -10, 6},
      {"EF.COM second read MAC", kMrz, {{5, ChipFault::kAnswerMac}}, false, -11, 6},
      {"EF.COM second read status under the MAC", kMrz, {{5, ChipFault::kInnerStatus}}, false, -10, 6},
      {"DG1 first read status", kMrz, {{6, ChipFault::kStatus}}, false, -12, 7},
      {"DG1 first read MAC", kMrz, {{6, ChipFault::kAnswerMac}}, false, -13, 7},
      {"DG1 first read status under the MAC", kMrz, {{6, ChipFault::kInnerStatus}}, false, -12, 7},
      {"DG1 first read status under the MAC, first byte", kMrz, {{6, ChipFault::kInnerStatusFirstByte}}, false, -12, 7},
      {"DG1 first read status under the MAC, second byte", kMrz, {{6, ChipFault::kInnerStatusSecondByte}}, false, -12, 7},
      {"EF.COM second read status under the MAC, second byte", kMrz, {{5, ChipFault::kInnerStatusSecondByte}}, false, -10, 6},
      {"DG1 tag", kMrz, {{6, ChipFault::kFirstTag}}, false, -14, 7},
      {"DG1 second read status", kMrz, {{7, ChipFault::kStatus}}, false, -15, 8},
      {"DG1 second read MAC", kMrz, {{7, ChipFault::kAnswerMac}}, false, -16, 8},
      {"no DG11", kMrz, {}, true, -12, 9},
      {"DG2 tag", kMrz, {{10, ChipFault::kFirstTag}}, false, -14, 11},
      {"DG15 first read MAC", kMrz, {{12, ChipFault::kAnswerMac}}, false, -13, 13},
      {"DG15 second read MAC", kMrz, {{13, ChipFault::kAnswerMac}}, false, -16, 14},
      {"no eMRTD application", kMrz, {{0, ChipFault::kStatus}}, false, -17, 1},
      {"MRZ of 43 characters", kMrz.substr(0, 43), {}, false, -18, 2},
      {"MRZ of 45 characters", kMrz + "<", {}, false, -18, 2},
  };
  for (const Case& c : cases) {
    PassportChip& chip = NewChip();
    for (const auto& fault : c.faults) chip.FailAt(fault.first, fault.second);
    if (c.withoutDg11) chip.RemoveFile(0x0B);
    const std::size_t before = card_->Apdus().size();
    EXPECT_EQ(Kestor_ReadPassport(0, c.mrz.c_str(), 0), c.expected) << c.what;
    EXPECT_EQ(ApdusSince(before).size(), c.apdusSent) << c.what;
  }
  NewChip();
  EXPECT_EQ(Kestor_ReadPassport(0, nullptr, 0), -18);
}

TEST_F(PassportRead, NothingIsSentUnlessAPcscReaderIsOpen) {
  const std::size_t before = card_->Apdus().size();
  Device().gPort = 3;  // a COM port, with the PC/SC card handle still set
  EXPECT_EQ(Kestor_FindPassport(), 0);
  EXPECT_EQ(Kestor_ReadPassport(0, kMrz.c_str(), 0), -17);
  Device().gPort = kPcscPort;
  CloseComm();
  EXPECT_EQ(Kestor_FindPassport(), 0);
  EXPECT_EQ(card_->Apdus().size(), before);
}

}  // namespace
}  // namespace vantel
