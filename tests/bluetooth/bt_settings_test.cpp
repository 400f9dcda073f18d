// The Bluetooth module's settings over the HID double, against the reader simulator's vendor
// handlers: every request byte for byte, the answer rule and the checks that send nothing.
#include "library/device/bluetooth/bt_settings.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>

#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "library/device/device_state.h"
#include "library/device/port_api.h"
#include "library/device/reader_settings.h"
#include "support/hex_bytes.h"
#include "support/openssl_ciphers.h"
#include "support/reader_sim.h"
#include "support/reader_sim_hid.h"

namespace vantel {
namespace {

using vantel_test::Bytes;
using vantel_test::FromHex;

// A call and what it wrote into its out buffer (as text; empty for none).
using Call = std::function<int(std::string* out)>;

Call Text(int (*function)(char*, int), int which) {
  return [=](std::string* out) {
    char buffer[kBtAnswerDataCapacity + 1] = {};
    const int result = function(buffer, which);
    *out = buffer;
    return result;
  };
}

Call Text(int (*function)(char*)) {
  return [=](std::string* out) {
    char buffer[kBtAnswerDataCapacity + 1] = {};
    const int result = function(buffer);
    *out = buffer;
    return result;
  };
}

Call Mac(int which) {
  return [=](std::string* out) {
    unsigned char buffer[kBtAnswerDataCapacity] = {};
    const int result = ReadBtMac(buffer, which);
    *out = reinterpret_cast<const char*>(buffer);
    return result;
  };
}

Call Plain(std::function<int()> function) {
  return [=](std::string*) { return function(); };
}

Bytes Payload(std::initializer_list<std::uint8_t> head, const std::string& text = "") {
  Bytes payload(head);
  payload.insert(payload.end(), text.begin(), text.end());
  return payload;
}

const Bytes kOk{0x56, 0xFF};

class BtSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    Device().hid = HidState{};
    Settings().table[kHidReportMode] = 1;
    reader_ = &hid_.AddReader(vantel_test::AnswerThrough(sim_));
    ASSERT_EQ(OpenPort(kHidPort), 144);
  }
  void TearDown() override {
    ClosePort(kHidPort);
    Device().hid = HidState{};
    Device().gPort = 0;
  }

  // The reader answers vendor command `command` with `answer` (status, then data), or not.
  void Answer(std::uint8_t command, std::optional<Bytes> answer) {
    sim_.OnVendorCommand(command, [answer](const Bytes&) { return answer; });
  }
  std::size_t Sent() const { return reader_->outputReports.size(); }
  // The whole output report that carries `frame`: report id 0, the frame, zeros.
  static Bytes Report(const Bytes& frame) {
    Bytes report(vantel_test::kHidReportLength, 0);
    std::copy(frame.begin(), frame.end(), report.begin() + 1);
    return report;
  }

  vantel_test::HidAttachment hid_;
  vantel_test::ReaderSim sim_;
  vantel_test::SimulatedHidReader* reader_ = nullptr;
};

TEST_F(BtSettings, EachRequestOnTheWireAndItsResult) {
  struct Row {
    const char* name;
    Call call;
    const char* request;  // the frame after report id 0
    Bytes answer;         // status, then data
    int result;
    std::string out;
  };
  const Row rows[] = {
      {"UsbOpenBt", Plain(UsbOpenBt), "55AA047FFFFF84", kOk, 1, ""},
      {"UsbCloseBt", Plain(UsbCloseBt), "55AA047EFFFF85", kOk, 1, ""},
      {"ReadBtMac 0", Mac(0), "55AA0473FFFF88", Payload({0x56, 0xFF}, "MAC-A"), 0x56, "MAC-A"},
      {"ReadBtMac 1", Mac(1), "55AA0474FFFF8F", Payload({0x41, 0xFF}, "MAC-B"), 0x41, "MAC-B"},
      {"ReadBtMac -1", Mac(-1), "55AA0400FFFFFB", kOk, 0x56, ""},
      {"name 0", Plain([] { return ChangeBtName("KT-01", 0); }), "55AA0870FF4B542D30314B", kOk, 1, ""},
      {"name 1", Plain([] { return ChangeBtName("KT", 1); }), "55AA0571FF4B546B", kOk, 1, ""},
      {"name -1", Plain([] { return ChangeBtName("KT", -1); }), "55AA0500FF4B541A", kOk, 1, ""},
      {"name refused", Plain([] { return ChangeBtName("KT", 0); }), "55AA0570FF4B546A", {0x45, 0xFF}, 0, ""},
      {"pin", Plain([] { return SetBtPin("1234", 0); }), "55AA0784FF3132333487", kOk, 1, ""},
      {"pin -1", Plain([] { return SetBtPin("1234", -1); }), "55AA0700FF3132333403", kOk, 1, ""},
      {"sleep", Plain([] { return SetBtSleep(30); }), "55AA048AFF1E90", kOk, 1, ""},
      {"secret key", Plain([] { return SetSecretKey("0123456789ABCDEF"); }),
       "55AA137AFF303132333435363738394142434445466F", kOk, 1, ""},
      {"close", Plain(SetBtClose), "55AA047CFFFF87", kOk, 0, ""},
      {"close refused", Plain(SetBtClose), "55AA047CFFFF87", {0x45, 0xFF}, -3, ""},
      {"sleep now", Plain(SetBtNowSleep), "55AA047DFFFF86", kOk, 0, ""},
      {"name of 1", Text(GetBtName, 1), "55AA0472FF0472", Payload({0x56, 0xFF}, "KT-01"), 0, "KT-01"},
      {"name of 0", Text(GetBtName, 0), "55AA0472FF0274", Payload({0x56, 0xFF}, "KT"), 0, "KT"},
      {"pin of 1", Text(GetBtPin, 1), "55AA0476FF0476", Payload({0x56, 0xFF}, "1234"), 0, "1234"},
      {"pin of 0", Text(GetBtPin, 0), "55AA0476FF0270", Payload({0x56, 0xFF}, "0000"), 0, "0000"},
      {"sleep time", Plain(GetBtSleep), "55AA048BFFFF70", {0x56, 0xFF, 0xB4}, 0xB4, ""},
      {"card version", Text(GetCardVersion), "55AA0483FFFF78", {0x30, 0xFF, 1, 2, 3}, 0, "1.2.3"},
      {"module version", Text(GetBtDevVersion), "55AA0482FFFF79", Payload({0x56, 0xFF}, "BT 2.1"), 0,
       "BT 2.1"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Bytes request = FromHex(row.request);
    Answer(request[3], row.answer);
    std::string out;
    EXPECT_EQ(row.call(&out), row.result);
    EXPECT_EQ(out, row.out);
    EXPECT_EQ(reader_->outputReports.back(), Report(request));
  }
}

TEST_F(BtSettings, BadArgumentsAndOtherPortsSendNothing) {
  const std::string longestName(58, 'N');
  const std::string tooLongName(59, 'N');
  struct Row {
    const char* name;
    Call call;
    int result;
  };
  const Row rows[] = {
      {"sleep 0", Plain([] { return SetBtSleep(0); }), 0},
      {"sleep 256", Plain([] { return SetBtSleep(256); }), 0},
      {"pin of 9", Plain([] { return SetBtPin("123456789", 0); }), 0},
      {"null pin", Plain([] { return SetBtPin(nullptr, 0); }), 0},
      {"empty pin", Plain([] { return SetBtPin("", 0); }), 0},
      {"short key", Plain([] { return SetSecretKey("0123456789ABCDE"); }), 0},
      {"long key", Plain([] { return SetSecretKey("0123456789ABCDEF0"); }), 0},
      {"null key", Plain([] { return SetSecretKey(nullptr); }), 0},
      {"null name", Plain([] { return ChangeBtName(nullptr, 0); }), 0},
      {"empty name", Plain([] { return ChangeBtName("", 0); }), 0},
      {"name past one report", Plain([&] { return ChangeBtName(tooLongName.c_str(), 0); }), 0},
      {"null mac out", Plain([] { return ReadBtMac(nullptr, 0); }), 0},
      {"null name out", Plain([] { return GetBtName(nullptr, 0); }), -1},
      {"null version out", Plain([] { return GetCardVersion(nullptr); }), -1},
      {"null 3DES value", Plain([] { return SetBtKey3Des(nullptr); }), 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::size_t before = Sent();
    EXPECT_EQ(row.call(nullptr), row.result);
    EXPECT_EQ(Sent(), before);
  }

  // The longest name that fits fills the report: 58 bytes and the 6 of the frame.
  Answer(0x70, kOk);
  EXPECT_EQ(ChangeBtName(longestName.c_str(), 0), 1);
  EXPECT_EQ(reader_->outputReports.back()[3], 61);
  EXPECT_NE(reader_->outputReports.back()[64], 0);

  // The getters need the HID reader's port 8159.
  Device().gPort = 1001;
  const std::size_t before = Sent();
  for (const Call& call : {Text(GetBtName, 0), Text(GetBtPin, 0), Text(GetCardVersion), Text(GetBtDevVersion),
                           Plain(GetBtSleep), Plain(SetBtClose), Plain(SetBtNowSleep)}) {
    std::string out;
    EXPECT_EQ(call(&out), -1);
  }
  EXPECT_EQ(Sent(), before);
}

TEST_F(BtSettings, AnswersThatAreNoGoodAnswer) {
  // A LEN below 3, or data past the 64-byte report, is no answer; neither is silence.
  const Bytes shortFrame{0x56};
  Bytes overlong = Payload({0x56, 0xFF}, std::string(59, 'x'));
  struct Row {
    const char* name;
    std::uint8_t command;
    std::optional<Bytes> answer;
    Call call;
    int result;
  };
  const Row rows[] = {
      {"mac LEN 2", 0x73, shortFrame, Mac(0), 0},
      {"mac past the report", 0x73, overlong, Mac(0), 0},
      {"mac silence", 0x73, std::nullopt, Mac(0), 0},
      {"name LEN 2", 0x72, shortFrame, Text(GetBtName, 0), -1},
      {"pin past the report", 0x76, overlong, Text(GetBtPin, 0), -1},
      {"version past the report", 0x82, overlong, Text(GetBtDevVersion), -1},
      {"sleep without data", 0x8B, kOk, Plain(GetBtSleep), -1},
      {"card version LEN 7", 0x83, Bytes{0x30, 0xFF, 1, 2, 3, 4}, Text(GetCardVersion), -1},
      {"card version V", 0x83, Bytes{0x56, 0xFF, 1, 2, 3}, Text(GetCardVersion), -1},
      {"close silence", 0x7C, std::nullopt, Plain(SetBtClose), -2},
      {"open silence", 0x7F, std::nullopt, Plain(UsbOpenBt), 0},
      {"pin silence", 0x84, std::nullopt, Plain([] { return SetBtPin("1234", 0); }), 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Answer(row.command, row.answer);
    std::string out;
    EXPECT_EQ(row.call(&out), row.result);
    EXPECT_EQ(out, "");
    reader_->pendingInputReports.clear();  // the rest of an overlong answer
  }
  // The longest answer that fits is taken whole.
  Answer(0x82, Payload({0x56, 0xFF}, std::string(58, 'v')));
  char version[kBtAnswerDataCapacity + 1];
  EXPECT_EQ(GetBtDevVersion(version), 0);
  EXPECT_EQ(std::string(version), std::string(58, 'v'));
}

TEST_F(BtSettings, KeyEncipheredUnderTheSamId) {
  const Bytes value = FromHex("00112233445566778899AABBCCDDEEFF");
  const Bytes enciphered = vantel_test::RunCipher(EVP_des_ede_ecb(), sim_.Sam().samId, {}, value, true);
  Bytes frame = FromHex("55AA137AFF");
  frame.insert(frame.end(), enciphered.begin(), enciphered.end());
  std::uint8_t check = 0;
  for (std::uint8_t byte : frame) check ^= byte;
  frame.push_back(check);

  Answer(0x7A, kOk);
  EXPECT_EQ(SetBtKey3Des(value.data()), 1);
  EXPECT_EQ(reader_->outputReports.back(), Report(frame));

  // Kestor_setBtKey_3DES takes the SAM id last read over HID as the value.
  std::copy(value.begin(), value.end(), Device().gHidSamId);
  EXPECT_EQ(SetBtKey3DesFromHidSamId(), 0);
  EXPECT_EQ(reader_->outputReports.back(), Report(frame));
  Answer(0x7A, Bytes{0x45, 0xFF});
  EXPECT_EQ(SetBtKey3DesFromHidSamId(), -1);
  EXPECT_EQ(Bytes(Device().gHidSamId, Device().gHidSamId + 16), Bytes(16, 0));

  // No key without the SAM id: nothing goes to the module.
  sim_.OnSamCommand(0x12, 0xFF, [](const vantel_test::SamRequest&) { return vantel_test::SamAnswer{0, 0, 0x41, {}}; });
  Answer(0x7A, kOk);
  EXPECT_EQ(SetBtKey3Des(value.data()), 0);
  EXPECT_EQ(sim_.Requests().back()[7], 0x12);
}

}  // namespace
}  // namespace vantel
