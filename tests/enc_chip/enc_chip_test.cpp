// The encryption chip's exports against the simulator's chip on the HID double, and the SM3
// and SM4 exports against OpenSSL.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "library/cards/fingerprint/fp_frame.h"
#include "library/device/device_state.h"
#include "library/device/enc_chip/chip_base_msg.h"
#include "library/device/enc_chip/enc_chip_commands.h"
#include "library/device/enc_chip/enc_chip_frame.h"
#include "library/device/enc_chip/upgrade_block.h"
#include "library/device/port_api.h"
#include "library/exports/enc_chip_exports.h"
#include "support/hex_bytes.h"
#include "support/reader_sim.h"
#include "support/reader_sim_enc_chip.h"
#include "support/reader_sim_hid.h"

namespace vantel {
namespace {

using vantel_test::Bytes;
using vantel_test::EncChipFault;
using vantel_test::FromHex;

const Bytes kKey = FromHex("0123456789ABCDEFFEDCBA9876543210");
const Bytes kIv = FromHex("000102030405060708090A0B0C0D0E0F");

// The request frame as the chip reads it: marker A6, then 00 00, CMD and the arguments.
Bytes Request(std::uint8_t command, const Bytes& args) {
  Bytes body{0x00, 0x00, command};
  body.insert(body.end(), args.begin(), args.end());
  return vantel_test::EncChipFrame(0xA6, body);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Counting(std::size_t length, std::uint8_t from = 0) {
  Bytes bytes(length);
  for (std::size_t i = 0; i < length; ++i) bytes[i] = static_cast<std::uint8_t>(from + i);
  return bytes;
}

class EncChip : public ::testing::Test {
 protected:
  void SetUp() override {
    Device().hid = HidState{};
    Device().gPort = 0;
    Settings().table[kHidReportMode] = 1;
    reader_ = &hid_.AddReader(vantel_test::AnswerThrough(sim_));
    ASSERT_EQ(OpenPort(kHidPort), 144);
    ASSERT_EQ(Device().gPort, kHidPort);
  }
  void TearDown() override {
    ClosePort(kHidPort);
    Device().hid = HidState{};
    Device().gPort = 0;
  }

  // The frame bytes of the output reports sent since `from`, each report's 64 after its id.
  std::vector<Bytes> ReportsSince(std::size_t from) const {
    std::vector<Bytes> reports;
    for (std::size_t i = from; i < reader_->outputReports.size(); ++i)
      reports.emplace_back(reader_->outputReports[i].begin() + 1, reader_->outputReports[i].end());
    return reports;
  }

  // `frame` cut into 64-byte reports, the last zero-padded.
  static std::vector<Bytes> Cut(const Bytes& frame) {
    std::vector<Bytes> reports;
    for (std::size_t at = 0; at < frame.size(); at += 64) {
      Bytes report(frame.begin() + static_cast<std::ptrdiff_t>(at),
                   frame.begin() + static_cast<std::ptrdiff_t>(std::min(frame.size(), at + 64)));
      report.resize(64, 0);
      reports.push_back(report);
    }
    return reports;
  }

  vantel_test::HidAttachment hid_;
  vantel_test::ReaderSim sim_;
  vantel_test::SimEncChip chip_{sim_};
  vantel_test::SimulatedHidReader* reader_ = nullptr;
};

TEST_F(EncChip, IdRandomAndSmCommandsOnTheWire) {
  std::uint8_t id[19] = {};
  std::size_t sent = reader_->outputReports.size();
  EXPECT_EQ(Kestor_GetEncChipID(id), 0);
  EXPECT_EQ(Bytes(id, id + 19), chip_.id);
  EXPECT_EQ(chip_.requests.back(), FromHex("55555555 55555555 A6 0500 0000 01 7633 06"));
  EXPECT_EQ(ReportsSince(sent), Cut(chip_.requests.back()));

  chip_.randoms.push_back(Counting(8, 0xA0));
  std::uint8_t random[8] = {};
  EXPECT_EQ(Kestor_GetChipRandom(random, 8), 0);
  EXPECT_EQ(Bytes(random, random + 8), Counting(8, 0xA0));
  EXPECT_EQ(chip_.requests.back(), Request(0x02, {0x08}));

  // SM4 mode 0 over 16 bytes: a 53-byte frame in one report.
  const Bytes block = Counting(16);
  std::uint8_t out[64] = {};
  int outLength = 0;
  sent = reader_->outputReports.size();
  EXPECT_EQ(Kestor_GetChipSM4(0, kKey.data(), nullptr, block.data(), 16, out, &outLength), 0);
  EXPECT_EQ(chip_.requests.back(), Request(0x03, Cat({{0, 0, 0, 0}, kKey, block})));
  EXPECT_EQ(chip_.requests.back().size(), 53u);
  EXPECT_EQ(ReportsSince(sent).size(), 1u);
  EXPECT_EQ(Bytes(out, out + outLength), vantel_test::OpenSslSm4(kKey, block, true));

  // Mode 2 over 64 bytes with an IV: 101 bytes in two reports, a 90-byte answer in two.
  const Bytes data = Counting(64, 7);
  sent = reader_->outputReports.size();
  EXPECT_EQ(Kestor_GetChipSM4(2, kKey.data(), kIv.data(), data.data(), 64, out, &outLength), 0);
  EXPECT_EQ(ReportsSince(sent), Cut(Request(0x03, Cat({{2, 0, 0, 0}, kKey, data, kIv}))));
  EXPECT_EQ(Bytes(out, out + outLength), vantel_test::OpenSslSm4(kKey, data, true, kIv));

  std::uint8_t digest[32] = {};
  EXPECT_EQ(Kestor_GetChipSM3(2, data.data(), 20, digest), 0);
  EXPECT_EQ(chip_.requests.back(), Request(0x04, Cat({{2, 0, 0, 0}, Bytes(data.begin(), data.begin() + 20)})));
  EXPECT_EQ(Bytes(digest, digest + 32), vantel_test::OpenSslSm3(Bytes(data.begin(), data.begin() + 20)));
  EXPECT_EQ(Kestor_GetChipSM3(0, data.data(), 20, nullptr), 0);
}

TEST_F(EncChip, InitKeysAndUpgradePassTheChipsChecks) {
  const Bytes value = Counting(8, 0x31);
  EXPECT_EQ(Kestor_EncChipInit(value.data()), 0);
  EXPECT_EQ(chip_.requests.back().size(), 57u);

  // The 85-byte key update goes out as reports of 64 and 21 bytes.
  const Bytes oldKey(16, 0x11), newKey = Counting(16, 0x80);
  std::size_t sent = reader_->outputReports.size();
  EXPECT_EQ(Kestor_UpateEncChipKey(3, chip_.w.data(), oldKey.data(), newKey.data()), 0);
  const Bytes enc = vantel_test::OpenSslSm4(oldKey, newKey, true, Bytes(16, 0));
  EXPECT_EQ(chip_.updatedKeys[3], Cat({enc, vantel_test::OpenSslSm3(Cat({newKey, chip_.w}))}));
  const std::vector<Bytes> reports = ReportsSince(sent);
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(Cut(chip_.requests.back()), std::vector<Bytes>(reports.end() - 2, reports.end()));
  EXPECT_EQ(chip_.requests.back().size(), 85u);

  const Bytes data16(16, 0x61), data32(32, 0x62);
  EXPECT_EQ(Kestor_UpateNewChipKey(chip_.w.data(), data16.data(), data32.data()), 0);
  EXPECT_EQ(chip_.updatedKeys[2], Cat({data16, data32}));

  // The key comes back in a 66-byte answer over two reports; a w of more than 8 characters
  // counts its first 8.
  std::uint8_t key[16] = {};
  const std::string longW = std::string(chip_.w.begin(), chip_.w.end()) + "-and-more";
  EXPECT_EQ(Kestor_GetEncChipKey(1, longW.c_str(), key), 0);
  EXPECT_EQ(Bytes(key, key + 16), chip_.keys[1]);
  EXPECT_EQ(chip_.requests.back().size(), 37u);

  // The upgrade sends nothing without the maker's table; with a test table the 545-byte
  // frame goes out as 8 reports of 64 and one of 33.
  sent = chip_.requests.size();
  EXPECT_EQ(Kestor_UpgradeEncChip(), -23);
  EXPECT_EQ(chip_.requests.size(), sent);
  std::vector<std::uint32_t> table(50);
  for (std::uint32_t i = 0; i < 50; ++i) table[i] = 0x20001000u + i * 0x10101;
  const auto* previous = SetUpgradeVectorTable(&table);
  sent = reader_->outputReports.size();
  EXPECT_EQ(Kestor_UpgradeEncChip(), 0);
  SetUpgradeVectorTable(previous);
  Bytes expectedBlock;
  for (std::uint32_t word : table)
    for (int b = 0; b < 4; ++b) expectedBlock.push_back(static_cast<std::uint8_t>(word >> (8 * b)));
  expectedBlock.resize(512, 0xFF);
  EXPECT_EQ(chip_.upgradeBlock, expectedBlock);
  const std::vector<Bytes> upgradeReports = ReportsSince(sent);
  ASSERT_GE(upgradeReports.size(), 9u);
  EXPECT_EQ(Cut(chip_.requests.back()), std::vector<Bytes>(upgradeReports.end() - 9, upgradeReports.end()));
  EXPECT_EQ(chip_.requests.back().size(), 545u);
}

// Also from a reader whose input reports carry 32 frame bytes: the chip's answers are joined
// from those, not from 64 bytes a report of which half were never sent.
TEST_F(EncChip, BaseMessageThroughTheChip) {
  const Bytes baseMsgFrame = chip_.baseMsgFrame;
  for (std::uint16_t reportLength : {65, 33}) {
    SCOPED_TRACE(reportLength);
    chip_.baseMsgFrame = baseMsgFrame;
    reader_->inputReportLength = reportLength;
    ASSERT_EQ(OpenPort(kHidPort), 144);
    std::uint8_t out32[32], out16[16];
    std::vector<std::uint8_t> data(kMaxChipBaseMsgData);
    int length = 0;
    EXPECT_EQ(Kestor_EncChipReadBaseMsg(out32, data.data(), &length, out16), 0);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + length), chip_.baseMsgFrame);
    EXPECT_EQ(Bytes(out32, out32 + 32), chip_.value32);
    EXPECT_EQ(Bytes(out16, out16 + 16), chip_.value16);
    EXPECT_EQ(chip_.requests.back(), Request(0x09, {}));

    std::uint8_t text[256], photo[1024], fp[1024];
    int textLength = 0, photoLength = 0, fpLength = 0;
    SplitChipBaseMsg(data.data(), static_cast<std::size_t>(length), text, &textLength, photo,
                     &photoLength, fp, &fpLength);
    const Bytes& frame = chip_.baseMsgFrame;
    EXPECT_EQ(Bytes(text, text + textLength), Bytes(frame.begin() + 16, frame.begin() + 16 + 256));
    EXPECT_EQ(Bytes(photo, photo + photoLength), Bytes(frame.begin() + 272, frame.begin() + 272 + 1024));
    EXPECT_EQ(Bytes(fp, fp + fpLength), Bytes(frame.begin() + 1296, frame.begin() + 1296 + 1024));

    chip_.baseMsgFrame[0] = 0xAB;
    EXPECT_EQ(Kestor_EncChipReadBaseMsg(out32, data.data(), &length, out16), -8);
    EXPECT_EQ(Kestor_EncChipReadBaseMsg(out32, nullptr, &length, out16), -2);
  }
}

// The caller sizes data for the largest base message: a longer one is refused whole.
TEST_F(EncChip, ABaseMessageLongerThanTheLargestIsRefusedWithNothingCopied) {
  chip_.baseMsgFrame.resize(kFPBaseMsgFrameSize + 1, 0x5A);
  std::uint8_t out32[32], out16[16];
  std::fill(std::begin(out32), std::end(out32), 0xEE);
  std::fill(std::begin(out16), std::end(out16), 0xEE);
  std::vector<std::uint8_t> data(kFPBaseMsgFrameSize + 16, 0xEE);
  int length = 7;
  EXPECT_EQ(Kestor_EncChipReadBaseMsg(out32, data.data(), &length, out16), -5);
  EXPECT_EQ(length, 7);
  EXPECT_EQ(Bytes(data.begin(), data.end()), Bytes(data.size(), 0xEE));
  EXPECT_EQ(Bytes(out32, out32 + 32), Bytes(32, 0xEE));
  EXPECT_EQ(Bytes(out16, out16 + 16), Bytes(16, 0xEE));
}

TEST_F(EncChip, EachFailureGivesItsCode) {
  std::uint8_t out[2560] = {};
  int outLength = 0;
  const Bytes data = Counting(64);
  const Bytes value(8, 0x31);
  const char* w = "w-secret";
  using Call = std::function<int()>;
  const Call id = [&] { return Kestor_GetEncChipID(out); };
  const Call random = [&] { return Kestor_GetChipRandom(out, 16); };
  const Call sm4 = [&] { return Kestor_GetChipSM4(0, kKey.data(), nullptr, data.data(), 16, out, &outLength); };
  const Call sm3 = [&] { return Kestor_GetChipSM3(3, data.data(), 64, out); };
  const Call init = [&] { return Kestor_EncChipInit(value.data()); };
  const Call update = [&] { return Kestor_UpateEncChipKey(1, chip_.w.data(), kKey.data(), kKey.data()); };
  const Call getKey = [&] { return Kestor_GetEncChipKey(1, w, out); };
  struct Case {
    const char* what;
    Call call;
    std::size_t answer;  // which chip answer of the call goes wrong
    EncChipFault fault;
    int expected;
  };
  const Case cases[] = {
      {"id: CRC", id, 0, EncChipFault::kWrongCrc, -3},
      {"id: marker", id, 0, EncChipFault::kWrongMarker, -2},
      {"id: command", id, 0, EncChipFault::kWrongCommand, -2},
      {"id: silence", id, 0, EncChipFault::kSilence, -2},
      {"id: status", id, 0, EncChipFault::kStatus, 0x33},
      {"random: CRC", random, 0, EncChipFault::kWrongCrc, -3},
      {"SM4: CRC", sm4, 0, EncChipFault::kWrongCrc, -6},
      {"SM4: silence", sm4, 0, EncChipFault::kSilence, -5},
      {"SM4: status", sm4, 0, EncChipFault::kStatus, 0x33},
      {"SM3: CRC", sm3, 0, EncChipFault::kWrongCrc, -6},
      {"init: random", init, 0, EncChipFault::kWrongCrc, -21},
      {"init: CRC", init, 1, EncChipFault::kWrongCrc, -3},
      {"init: silence", init, 1, EncChipFault::kSilence, -2},
      {"update: random", update, 0, EncChipFault::kSilence, -21},
      {"update: silence", update, 1, EncChipFault::kSilence, -5},
      {"update: CRC", update, 1, EncChipFault::kWrongCrc, -6},
      {"key: digest", getKey, 1, EncChipFault::kWrongDigest, -8},
      {"key: CRC", getKey, 1, EncChipFault::kWrongCrc, -6},
  };
  for (const Case& c : cases) {
    chip_.FailAnswer(c.answer, c.fault);
    std::memset(out, 0xEE, 16);
    EXPECT_EQ(c.call(), c.expected) << c.what;
    if (c.fault == EncChipFault::kWrongDigest) {
      EXPECT_EQ(Bytes(out, out + 16), Bytes(16, 0)) << c.what;
    }
  }

  // Arguments refused before anything is sent.
  const std::size_t sent = chip_.requests.size();
  EXPECT_EQ(Kestor_GetChipSM4(0, kKey.data(), nullptr, data.data(), 20, out, &outLength), -3);
  EXPECT_EQ(Kestor_GetChipSM4(4, kKey.data(), nullptr, data.data(), 16, out, &outLength), -2);
  EXPECT_EQ(Kestor_GetChipSM4(0, kKey.data(), nullptr, data.data(), 0, out, &outLength), -2);
  EXPECT_EQ(Kestor_GetChipSM4(2, kKey.data(), nullptr, data.data(), 16, out, &outLength), -4);
  EXPECT_EQ(Kestor_GetChipSM3(1, data.data(), 65, out), -2);
  EXPECT_EQ(Kestor_GetChipSM3(2, data.data(), 16, nullptr), -8);
  EXPECT_EQ(Kestor_GetChipRandom(out, 0), -1);
  EXPECT_EQ(Kestor_GetEncChipKey(1, "", out), -2);
  EXPECT_EQ(Kestor_EncChipInit(nullptr), -2);
  EXPECT_EQ(chip_.requests.size(), sent);

  // A wrong w fails the chip's check: its status comes back.
  EXPECT_EQ(Kestor_GetEncChipKey(1, "other-w", out), vantel_test::SimEncChip::kBadCheckStatus);

  // Without the SAM id the key commands stop before the chip sees them.
  sim_.OnSamCommand(0x12, 0xFF, [](const vantel_test::SamRequest&) { return vantel_test::SamAnswer{0, 0, 0x10, {}}; });
  const std::size_t beforeSam = chip_.requests.size();
  EXPECT_EQ(Kestor_EncChipInit(value.data()), -22);
  EXPECT_EQ(chip_.requests.size(), beforeSam);
  EXPECT_EQ(update(), -22);
  EXPECT_EQ(getKey(), -22);
}

TEST_F(EncChip, NothingIsSentOnAnotherPort) {
  ClosePort(kHidPort);
  Device().gPort = 3;
  std::uint8_t out[2560] = {}, out16[16] = {};
  int length = 0;
  const Bytes data = Counting(16);
  const std::size_t reports = reader_->outputReports.size();
  EXPECT_EQ(Kestor_GetEncChipID(out), -1);
  EXPECT_EQ(Kestor_GetChipRandom(out, 8), -1);
  EXPECT_EQ(Kestor_GetChipSM4(0, kKey.data(), nullptr, data.data(), 16, out, &length), -1);
  EXPECT_EQ(Kestor_GetChipSM3(0, data.data(), 16, out), -1);
  EXPECT_EQ(Kestor_EncChipInit(data.data()), -1);
  EXPECT_EQ(Kestor_UpateEncChipKey(1, data.data(), kKey.data(), kKey.data()), -1);
  EXPECT_EQ(Kestor_UpateNewChipKey(data.data(), data.data(), out), -1);
  EXPECT_EQ(Kestor_GetEncChipKey(1, "w", out16), -1);
  EXPECT_EQ(Kestor_UpgradeEncChip(), -1);
  EXPECT_EQ(Kestor_EncChipReadBaseMsg(out, out, &length, out16), -1);
  EXPECT_EQ(reader_->outputReports.size(), reports);
  Device().gPort = 0;
}

TEST(EncChipAnswer, LengthsOutsideTheAnswerAreNoValidAnswer) {
  struct Case {
    const char* what;
    std::size_t bodyLength;
    std::size_t furtherReports;
    EncChipCheck expected;
  };
  const Case cases[] = {
      {"shorter than a status", 5, 0, EncChipCheck::kNoValidAnswer},
      {"longer than the largest answer", 2571, 41, EncChipCheck::kNoValidAnswer},
      {"more reports than arrive", 300, 2, EncChipCheck::kNoValidAnswer},
      {"the largest answer, whole", 2570, 40, EncChipCheck::kGood},
  };
  for (const Case& c : cases) {
    const Bytes frame = Request(0x03, Bytes(c.bodyLength >= 5 ? c.bodyLength - 5 : 0, 0x3C));
    Bytes stated = frame;
    stated[9] = static_cast<std::uint8_t>(c.bodyLength);
    stated[10] = static_cast<std::uint8_t>(c.bodyLength >> 8);
    stated.resize(std::max<std::size_t>(stated.size(), 64), 0);
    Bytes first(65, 0);
    std::copy_n(stated.begin(), 64, first.begin() + 1);
    std::size_t served = 0;
    auto next = [&](std::uint8_t* report) {
      if (served == c.furtherReports) return false;
      ++served;
      report[0] = 0;
      for (std::size_t i = 0; i < 64; ++i) {
        const std::size_t at = 64 * served + i;
        report[1 + i] = at < stated.size() ? stated[at] : 0;
      }
      return true;
    };
    EncChipAnswer answer;
    EXPECT_EQ(AssembleEncChipAnswer(first.data(), next, 0x03, &answer), c.expected) << c.what;
  }
}

TEST(ChipBaseMsg, LengthsAreCappedAndTheFrameBoundsTheCopy) {
  // Stated text 300 and photo 2000: 256 and 1024 are taken; the frame ends inside the photo.
  Bytes frame = Cat({Bytes(10, 0xAA), {0x01, 0x2C, 0x07, 0xD0, 0x00, 0x10}, Bytes(256, 0x54), Bytes(100, 0x50)});
  std::uint8_t text[256], photo[1024], fp[1024];
  std::memset(photo, 0xEE, sizeof photo);
  int textLength = 0, photoLength = 0, fpLength = 0;
  SplitChipBaseMsg(frame.data(), frame.size(), text, &textLength, photo, &photoLength, fp, &fpLength);
  EXPECT_EQ(textLength, 256);
  EXPECT_EQ(photoLength, 1024);
  EXPECT_EQ(fpLength, 16);
  EXPECT_EQ(Bytes(photo, photo + 1024), Cat({Bytes(100, 0x50), Bytes(924, 0)}));
  EXPECT_EQ(Bytes(fp, fp + 16), Bytes(16, 0));
}

TEST(SmExports, AgreeWithOpenSslAndReadOnlyTheGivenLength) {
  const Bytes message = Counting(65);
  std::uint8_t digest[32];
  EXPECT_EQ(Kestor_SM3(message.data(), 65, digest), 1);
  EXPECT_EQ(Bytes(digest, digest + 32), vantel_test::OpenSslSm3(message));
  EXPECT_EQ(Kestor_SM3(nullptr, 3, digest), 0);
  EXPECT_EQ(Kestor_SM3(message.data(), -1, digest), 0);

  // 20 bytes of input (exactly: a read past them shows under ASan) are two blocks out.
  const Bytes in = Counting(20, 3);
  Bytes padded = in;
  padded.resize(32, 0);
  Bytes out(32);
  Kestor_SM4_ECB(1, kKey.data(), in.data(), 20, out.data());
  EXPECT_EQ(out, vantel_test::OpenSslSm4(kKey, padded, true));
  Bytes back(32);
  Kestor_SM4_ECB(0, kKey.data(), out.data(), 32, back.data());
  EXPECT_EQ(back, padded);

  Bytes iv = kIv;
  EXPECT_EQ(Kestor_SM4_CBC(1, kKey.data(), iv.data(), in.data(), 20, out.data()), 0);
  EXPECT_EQ(out, vantel_test::OpenSslSm4(kKey, padded, true, kIv));
  EXPECT_EQ(iv, Bytes(out.begin() + 16, out.end()));
  iv = kIv;
  EXPECT_EQ(Kestor_SM4_CBC(0, kKey.data(), iv.data(), out.data(), 32, back.data()), 0);
  EXPECT_EQ(back, padded);
  EXPECT_EQ(Kestor_SM4_CBC(1, kKey.data(), nullptr, in.data(), 20, out.data()), -2);
  Bytes untouched(32, 0xEE);
  Kestor_SM4_ECB(1, kKey.data(), in.data(), -16, untouched.data());
  EXPECT_EQ(untouched, Bytes(32, 0xEE));
}

}  // namespace
}  // namespace vantel
