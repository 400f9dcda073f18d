// The commands of one kind of reader (HID settings, serial pass-through, the version mode),
// the fixes of wire counts and request sizes, the setters and the M1 device table.
#include "library/device/commands/device_commands.h"

#include <string>

#include "commands_fixture.h"
#include "library/device/commands/device_settings.h"
#include "library/device/commands/m1_devices.h"
#include "library/device/device_state.h"
#include "library/device/sam_commands.h"
#include "platform/message_box.h"

namespace vantel {
namespace {

using vantel_test::FaultPlan;
using vantel_test::Fault;
using vantel_test::VendorFrame;

class HidCommands : public ReaderCommands {};
INSTANTIATE_TEST_SUITE_P(Hid, HidCommands, ::testing::Values(Via::kHid));
class SerialCommands : public ReaderCommands {};
INSTANTIATE_TEST_SUITE_P(Serial, SerialCommands, ::testing::Values(Via::kSerial));

TEST_P(HidCommands, ReaderTypeFollowsTheVersion) {
  const struct { Bytes version; int type; } cases[] = {
      {{24, 19, 0}, 1}, {{24, 39, 0}, 2}, {{24, 40, 0}, 3}, {{24, 60, 0}, 0}, {{23, 20, 0}, -1}};
  for (const auto& row : cases) {
    rig.sim().Device().version = row.version;
    EXPECT_EQ(GetKvnType(), row.type) << int(row.version[1]);
  }
}

TEST_P(HidCommands, StandbyIsCheckedAndSentInHalfMinutes) {
  const struct { int seconds; int result; } refused[] = {{45, -2}, {7680, -3}, {-60, -3}};
  for (const auto& row : refused) EXPECT_EQ(SetStandbySleep(row.seconds), row.result) << row.seconds;
  rig.sim().ClearRequests();
  EXPECT_EQ(SetStandbySleep(7650), 0);
  EXPECT_EQ(rig.sim().Requests().back(), (Bytes{0x55, 0xAA, 0x07, 0x8F, 0xFF, 0x01, 0xFF, 0x00, 0x00, 0x76}));
  EXPECT_EQ(GetStandbySleep(), 7650);
  EXPECT_EQ(SetLongPressedOff(7), -2);
  EXPECT_EQ(SetLongPressedOff(5), 0);
  EXPECT_EQ(GetLongPressedOff(), 5);
  rig.sim().Device().version = {24, 10, 0};
  EXPECT_EQ(SetStandbySleep(60), -1);
}

TEST_P(HidCommands, BatteryIsTheMeanOfThreeReadings) {
  const struct { std::uint16_t reading; int percent; } cases[] = {{34000, 0}, {38000, 50}, {44000, 100}};
  for (const auto& row : cases) {
    rig.sim().Device().batteryReadings = {row.reading};
    EXPECT_EQ(GetBtDevBatteryPower(), row.percent) << row.reading;
  }
  int calls = 0;
  rig.sim().OnVendorCommand(0x75, [&calls](const Bytes&) -> std::optional<Bytes> {
    return ++calls == 2 ? Bytes{0x71, 0xFF, 0, 0} : Bytes{0x56, 0xFF, 0x94, 0x70};
  });
  EXPECT_EQ(GetBtDevBatteryPower(), -1);
}

TEST_P(HidCommands, HidOnlyCommandsAndTheirRequestSizes) {
  vantel_test::SimDevice& device = rig.sim().Device();
  EXPECT_EQ(ShutDownAntenna(), 1);
  EXPECT_TRUE(device.antennaOff);
  EXPECT_EQ(PowerLedColor(0x102), 1);
  EXPECT_EQ(device.powerLedColour, 0x02);
  const std::uint8_t data[] = {1, 2, 3};
  EXPECT_EQ(SdCardWrite("a.bin", data, 3), 1);
  std::uint8_t out[kMaxSdCardData] = {};
  unsigned length = 0;
  EXPECT_EQ(SdCardRead("a.bin", 40, out, &length), 1);
  EXPECT_EQ(Bytes(out, out + length), Bytes(data, data + 3));
  EXPECT_EQ(TwoUsbDevSetParam(0x0102, data, 3), 0);
  int paramLength = 0;
  EXPECT_EQ(TwoUsbDevGetParam(0x0102, out, &paramLength), 0);
  EXPECT_EQ(Bytes(out, out + paramLength), Bytes(data, data + 3));
  EXPECT_EQ(TwoUsbDevGetParam(0x0103, out, &paramLength), -2);
  rig.sim().Device().version = {24, 45, 0};
  EXPECT_EQ(KvnVeldPowerOff(), 1);

  // Requests whose frame would not fit one output report are refused unsent.
  rig.sim().ClearRequests();
  const std::string longName(60, 'n');
  const std::uint8_t big[64] = {};
  EXPECT_EQ(SdCardWrite(longName.c_str(), data, 3), -1);
  EXPECT_EQ(SdCardRead(longName.c_str(), 3, out, &length), -1);
  EXPECT_EQ(TwoUsbDevSetParam(1, big, sizeof big), -1);
  EXPECT_EQ(SdCardWrite("a.bin", big, 41), -1);
  EXPECT_TRUE(rig.sim().Requests().empty());
}

TEST_P(HidCommands, SerialsLongerThanTheCallersRoomAreRefused) {
  auto card = std::make_shared<vantel_test::SimContactlessCard>();
  card->serial = Bytes(11, 0x11);
  rig.sim().PlaceCard(card);
  std::uint8_t serial[kMaxContactlessSerial];
  int length = -1;
  char text[16];
  EXPECT_EQ(ReadContactlessSerial(serial, &length), 1);
  EXPECT_EQ(length, 0);
  card->serial = Bytes(8, 0x22);
  EXPECT_EQ(IcHlReadCardSn(text), 0);
  card->serial = Bytes(7, 0x22);
  EXPECT_EQ(IcHlReadCardSn(text), 1);
  EXPECT_EQ(std::string(text), std::string(14, '2'));
}

TEST_P(HidCommands, ManagementNumberAsHexTextAndNoPassThrough) {
  char text[17];
  EXPECT_EQ(ReadManagementNumber(text), 1);
  EXPECT_STREQ(text, "0123456789ABCDEF");
  rig.sim().ClearRequests();
  int length = -1;
  EXPECT_EQ(SerialTypeACmd(0x40, nullptr, 0, reinterpret_cast<std::uint8_t*>(text), &length), 0);
  EXPECT_TRUE(rig.sim().Requests().empty());  // the pass-through is for the serial port only
}

TEST_P(SerialCommands, PassThroughAnswersAndRefusals) {
  std::uint8_t out[256] = {};
  int length = 0;
  const std::uint8_t data[] = {0xA1, 0xA2};
  rig.sim().OnVendorCommand(0x40, [](const Bytes& payload) -> std::optional<Bytes> {
    return Bytes{0x40, 0xFF, payload[2], payload[3]};
  });
  EXPECT_EQ(SerialTypeACmd(0x40, data, 2, out, &length), 1);
  EXPECT_EQ(Bytes(out, out + length), Bytes(data, data + 2));
  EXPECT_EQ(rig.sim().Requests().back(), VendorFrame({0x40, 0xFF, 0xA1, 0xA2}));
  rig.sim().Device().passThroughRefusal = 0x71;
  EXPECT_EQ(SerialTypeACmd(0x41, nullptr, 0, out, &length), 0);
  EXPECT_EQ(Bytes(out, out + length), (Bytes{0x71, 0xFF}));
  EXPECT_EQ(rig.sim().Requests().back(), VendorFrame({0x41, 0xFF, 0xFF}));
  const Bytes tooLong(252, 0);
  EXPECT_EQ(SerialTypeACmd(0x41, tooLong.data(), 252, out, &length), 0);
  EXPECT_EQ(rig.sim().Requests().size(), 2u);
}

TEST_P(SerialCommands, ANewVersionReaderIsNotWaitedFor) {
  rig.sim().Device().newVersion = true;
  SetComTimeout(200);
  EXPECT_EQ(SetNewVersion(1), 4);
  EXPECT_EQ(Device().gNewVersion, 1);
  EXPECT_EQ(rig.sim().Requests().back(), VendorFrame({0xC1, 0xFF, 0x02}));
  rig.sim().ClearRequests();
  EXPECT_EQ(BeepLed(1, 1, 0), 1);
  EXPECT_EQ(RequestsOnceThere(2), (std::vector<Bytes>{VendorFrame({0xC0, 0xFF, 0x03}),
                                                      VendorFrame({0xC0, 0xFF, 0x00})}));
  rig.sim().Device().newVersion = false;
  EXPECT_EQ(SetNewVersion(0), 0x56);
  EXPECT_EQ(Device().gNewVersion, 0);
}

TEST_P(SerialCommands, ABeepRefusedAtOnceIsSwitchedOff) {
  rig.sim().OnVendorCommand(0xC0, [](const Bytes&) -> std::optional<Bytes> { return Bytes{0x00}; });
  EXPECT_EQ(BeepLed(0, 1, 0), 0);
  EXPECT_EQ(RequestsOnceThere(2), (std::vector<Bytes>{VendorFrame({0xC0, 0xFF, 0x01}),
                                                      VendorFrame({0xC0, 0xFF, 0x00})}));
}

TEST_P(SerialCommands, Base64AnswersAreReadAsTheReaderLastAnswered) {
  rig.sim().QueueFault(FaultPlan{Fault::kBase64});
  ASSERT_EQ(GetSamStatus(rig.Port(), 0), 144);
  EXPECT_EQ(IsComBase64(), 1);
  rig.sim().QueueFault(FaultPlan{Fault::kBase64});
  std::uint8_t version[3] = {};
  EXPECT_EQ(GetTarnVersion(version), 1);
  EXPECT_EQ(Bytes(version, version + 3), (Bytes{24, 25, 1}));
  EXPECT_EQ(GetTarnVersion(version), -3);  // a plain answer is not what ReadSamFrame takes
  EXPECT_EQ(IsComBase64(), 0);
}

TEST_P(SerialCommands, TheManagementNumberIsAlwaysAPlainVendorAnswer) {
  rig.sim().QueueFault(FaultPlan{Fault::kBase64});
  ASSERT_EQ(GetSamStatus(rig.Port(), 0), 144);
  char text[17];
  EXPECT_EQ(ReadManagementNumber(text), 1);
  EXPECT_STREQ(text, "0123456789ABCDEF");
  rig.sim().QueueFault(FaultPlan{Fault::kBase64});
  EXPECT_EQ(ReadManagementNumber(text), 3);
}

TEST_P(SerialCommands, SettingsOfHidReadersAreRefusedOnTheSerialPort) {
  EXPECT_EQ(SetStandbySleep(60), -6);
  EXPECT_EQ(GetStandbySleep(), -1);
  EXPECT_EQ(GetBtDevBatteryPower(), -1);
  EXPECT_EQ(ShutDownAntenna(), -1);
  EXPECT_EQ(SamvCommMaxLen(0), -1);
  EXPECT_EQ(SamvCommMaxLen(80), 0);
  EXPECT_EQ(rig.sim().Sam().rfFrameSize, 80);
}

TEST_P(SerialCommands, TheM1DeviceTableReopensAndClosesItsLine) {
  ASSERT_EQ(ClosePort(rig.Port()), 144);
  EXPECT_EQ(DcInit(kCommandsSerialPort), kCommandsSerialPort);
  EXPECT_EQ(DcInit(kCommandsSerialPort), kCommandsSerialPort);
  EXPECT_EQ(Device().DcDeviceTable[kCommandsSerialPort - 1].kind, 1);
  std::uint8_t version[3] = {};
  EXPECT_EQ(GetTarnVersion(version), 1);
  EXPECT_EQ(DcExit(kCommandsSerialPort), 0);
  EXPECT_EQ(Device().DcDeviceTable[kCommandsSerialPort - 1].kind, 0);
  EXPECT_EQ(DcExit(257), -1);
  EXPECT_EQ(DcInit(0), -1);
  EXPECT_EQ(DcInit(kCommandsSerialPort), kCommandsSerialPort);
  EXPECT_EQ(DcExit(kCommandsSerialPort), 0);
}

TEST(DeviceSetters, FlagsTakeTheLowByteAndNullPointersAreRefused) {
  vantel_test::ResetLibraryState();
  EXPECT_EQ(SetMute(1), 1);
  EXPECT_EQ(SetMute(0x100), 1);
  EXPECT_EQ(Device().gMute, 0);
  EXPECT_EQ(SetRepeatRead(0x201), 1);
  EXPECT_EQ(Device().gRepeat, 1);
  EXPECT_EQ(SetSaveWlt(2), 1);
  EXPECT_EQ(Device().gSaveWlt, 2);
  EXPECT_EQ(SetComTimeout(300), 1);
  EXPECT_EQ(Settings().gComTimeout, 300);
  int length = 0;
  unsigned count = 0;
  EXPECT_EQ(ReadContactlessSerial(nullptr, &length), 0);
  EXPECT_EQ(FindContactlessCard(nullptr), 0);
  EXPECT_EQ(GetMainVersion(nullptr), -1);
  EXPECT_EQ(GetTarnVersion(nullptr), 0);
  EXPECT_EQ(SdCardRead("a", 1, reinterpret_cast<std::uint8_t*>(&count), nullptr), -1);
  EXPECT_EQ(TwoUsbDevGetParam(1, nullptr, &length), -1);
  vantel_test::ResetLibraryState();
}

TEST(DeviceSetters, TheDiagnosticEntryShowsBoundedText) {
  std::vector<std::pair<std::string, std::string>> boxes;
  platform::SetMessageBoxSink([&boxes](const std::string& text, const std::string& caption) {
    boxes.emplace_back(text, caption);
  });
  int out = 0;
  const std::string longText(1000, 'x');
  EXPECT_EQ(AnyFunction("Test", &out, 5, 'A', "x"), -1);
  EXPECT_EQ(AnyFunction(nullptr, &out, 5, 'A', "x"), -1);
  EXPECT_EQ(AnyFunction("test", &out, 5, 'A', "x"), 0);
  EXPECT_EQ(out, 1);
  EXPECT_EQ(AnyFunction("test", &out, 5, 'A', longText.c_str()), 0);
  platform::SetMessageBoxSink(nullptr);
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0], std::make_pair(std::string("未知的函数或参数错误"), std::string("Error")));
  EXPECT_EQ(boxes[2], std::make_pair(std::string("argv1=5, argv2=A, argv3=x"), std::string("debug")));
  EXPECT_EQ(boxes[3].first.size(), 255u);
}

}  // namespace
}  // namespace vantel
