// The reader commands that every path carries: results, what reaches the caller, and the
// request bytes on the wire.
#include <string>

#include "commands_fixture.h"
#include "library/device/commands/device_commands.h"
#include "library/device/commands/device_settings.h"
#include "library/device/commands/m1_devices.h"

namespace vantel {
namespace {

using vantel_test::VendorFrame;

struct CommandCase {
  const char* name;
  Bytes payload;         // sent in a VendorFrame on HID, the byte stream and the network
  const char* pcscText;  // sent on PC/SC
  bool network;          // the command has a network form
  bool pipes;            // the answer is long enough for the bulk pipes (8 bytes)
  int (*call)(Bytes* out);
  int expected;
  Bytes output;
};

Bytes TextBytes(const char* text) { return Bytes(text, text + std::strlen(text)); }

const CommandCase kMainRoad[] = {
    {"find", {0x01, 0xFF, 0xFF}, "FF97100100", false, false,
     [](Bytes* out) {
       std::uint8_t type = 0;
       const int result = FindContactlessCard(&type);
       *out = {type};
       return result;
     },
     0x56, {0x08}},
    {"serial", {0x02, 0xFF, 0xFF}, "FF97100200", false, true,
     [](Bytes* out) {
       std::uint8_t serial[kMaxContactlessSerial];
       int length = -1;
       const int result = ReadContactlessSerial(serial, &length);
       out->assign(serial, serial + length);
       return result;
     },
     2, {0x12, 0x34, 0x56, 0x78}},
    {"serial text", {0x02, 0xFF, 0xFF}, "FF97100200", false, true,
     [](Bytes* out) {
       char text[16];
       const int result = IcHlReadCardSn(text);
       *out = TextBytes(text);
       return result;
     },
     1, TextBytes("12345678")},
    {"update", {0x31, 0xFF, 0xFF}, "FF97100F00", false, false, [](Bytes*) { return SetTarnUpdate(); }, 1, {}},
    {"version", {0x30, 0xFF, 0xFF}, "FF97101000", true, true,
     [](Bytes* out) {
       std::uint8_t version[3] = {};
       const int result = GetTarnVersion(version);
       out->assign(version, version + 3);
       return result;
     },
     1, {24, 25, 1}},
    {"version text", {0x30, 0xFF, 0xFF}, "FF97101000", true, true,
     [](Bytes* out) {
       char text[12] = {};
       const int result = GetMainVersion(text);
       *out = TextBytes(text);
       return result;
     },
     0, TextBytes("24.25.1")},
};

TEST_P(ReaderCommands, MainRoadSendsEachRequestAndHandsOverTheAnswer) {
  const bool pcsc = GetParam() == Via::kPcsc;
  for (const CommandCase& command : kMainRoad) {
    if ((GetParam() == Via::kNetwork && !command.network) ||
        (GetParam() == Via::kUsbPipes && !command.pipes))
      continue;
    SCOPED_TRACE(command.name);
    rig.sim().ClearRequests();
    Bytes out;
    EXPECT_EQ(command.call(&out), command.expected);
    EXPECT_EQ(out, command.output);
    const Bytes request = pcsc ? ApduOf(command.pcscText) : VendorFrame(command.payload);
    EXPECT_EQ(rig.sim().Requests(), std::vector<Bytes>{request});
  }
}

TEST_P(ReaderCommands, WithoutACardTheSearchAndTheSerialFail) {
  if (GetParam() == Via::kNetwork) GTEST_SKIP() << "no network form";
  if (GetParam() == Via::kUsbPipes) GTEST_SKIP() << "the pipes take no answer under 8 bytes";
  rig.sim().RemoveCard();
  std::uint8_t type = 0xEE;
  std::uint8_t serial[kMaxContactlessSerial];
  int length = -1;
  char text[16] = "stale";
  const bool pcsc = GetParam() == Via::kPcsc;
  EXPECT_EQ(FindContactlessCard(&type), pcsc ? 0 : vantel_test::kVendorNoCard);
  EXPECT_EQ(ReadContactlessSerial(serial, &length), vantel_test::kVendorNoCard);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(IcHlReadCardSn(text), 0);
  EXPECT_STREQ(text, "");
}

TEST_P(ReaderCommands, AVersionAnswerWithoutThreeBytesIsNoVersion) {
  std::uint8_t version[3] = {};
  ASSERT_EQ(GetTarnVersion(version), 1);
  rig.sim().Device().version = {24, 25};
  EXPECT_EQ(GetTarnVersion(version), 0);
  EXPECT_EQ(GetKvnType(), -1);
}

const Bytes kLedOn{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0xC0, 0xFF, 0x02, 0x68};
const Bytes kLedOff{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0xC0, 0xFF, 0x00, 0x6A};

TEST_P(ReaderCommands, BeepAndLedFramesOnEachPath) {
  vantel_test::ReaderSim& sim = rig.sim();
  EXPECT_EQ(BeepLed(1, 0, -5), 1);  // a negative wait is no wait
  std::vector<Bytes> beep;
  std::vector<std::uint8_t> controls{0x02, 0x00};
  switch (GetParam()) {
    case Via::kSerial: beep = {VendorFrame({0xC0, 0xFF, 0x02}), VendorFrame({0xC0, 0xFF, 0x00})}; break;
    case Via::kNetwork:
    case Via::kHid: beep = {kLedOn, kLedOff}; break;
    case Via::kPcsc:
      beep = {ApduOf("FF9710110120"), ApduOf("FF9710110100")};
      controls = {0x20, 0x00};
      break;
    default: controls.clear();  // the USB readers have no beeper command here
  }
  EXPECT_EQ(sim.Requests(), beep);
  EXPECT_EQ(sim.Device().ledControls, controls);

  sim.ClearRequests();
  const int result = LedBeepControl(1, 0);
  std::vector<Bytes> led;
  if (GetParam() == Via::kHid) led = {{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0xC0, 0xFF, 0x01, 0x6B}};
  if (OnByteStream()) led = {{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0xC0, 0xFF, 0x01, 0x6B}};
  EXPECT_EQ(result, led.empty() ? -1 : 0);
  EXPECT_EQ(sim.Requests(), led);
}

}  // namespace
}  // namespace vantel
