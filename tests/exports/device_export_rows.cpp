// The rows of the reader's own commands, the settings and versions and the M1 device table,
// on the serial line that the identity-card rows left open. The simulated reader answers
// each vendor command at once; the commands of HID readers are refused on this line.
#include <optional>

#include "export_rows.h"

namespace vantel_test::export_rows {
namespace {

const Bytes kContactlessSerial{0xDE, 0xAD, 0xBE, 0xEF};

// The reader answers vendor command `command` with `payload`.
void Answers(ReaderSim& sim, std::uint8_t command, const Bytes& payload) {
  sim.OnVendorCommand(command, [payload](const Bytes&) { return std::optional<Bytes>(payload); });
}

// Firmware 24.25.3: a reader of type 2.
void AnswerVersion(ReaderSim& sim) { Answers(sim, 0x30, {0x30, 0xFF, 24, 25, 3}); }

void AnswerContactlessSerial(ReaderSim& sim) {
  Bytes payload{0x02, 0xFF};
  payload.insert(payload.end(), kContactlessSerial.begin(), kContactlessSerial.end());
  Answers(sim, 0x02, payload);
}

using AnyFunction = int (*)(const char*, int*, int, int, const char*);  // the caller cleans the stack

RowTable CommandRows() {
  return {
      {"Kestor_StartFindIDCard", [](void* f, ReaderSim& sim, const std::string&) {
         Answers(sim, 0x01, {kVendorSuccess, 0xFF, 0x08});
         unsigned char type = 0;
         EXPECT_EQ(As<int(unsigned char*)>(f)(&type), kVendorSuccess);
         EXPECT_EQ(type, 0x08);
         EXPECT_EQ(As<int(unsigned char*)>(f)(nullptr), 0);
       }},
      {"Kestor_ReadBaseMsg", [](void* f, ReaderSim& sim, const std::string&) {
         AnswerContactlessSerial(sim);
         unsigned char out[10] = {};
         int length = 0;
         EXPECT_EQ(As<int(unsigned char*, int*)>(f)(out, &length), 2);
         EXPECT_EQ(BytesOf(out, length), kContactlessSerial);
       }},
      {"Kestor_SetNewVersion", [](void* f, ReaderSim& sim, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(1), kVendorSuccess);
         EXPECT_EQ(LastRequest(sim), VendorFrame({0xC1, 0xFF, 0x02}));
       }},
      {"Kestor_SetTarnUpdate", [](void* f, ReaderSim& sim, const std::string&) {
         Answers(sim, 0x31, {0x31, 0xFF});
         EXPECT_EQ(As<int()>(f)(), 1);
       }},
      {"Kestor_ShutDownAntenna", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -1); }},
      {"Kestor_Samv_Comm_MaxLen", [](void* f, ReaderSim& sim, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(0), -1);
         EXPECT_EQ(As<int(int)>(f)(100), 0);
         EXPECT_EQ(sim.Sam().rfFrameSize, 100);
       }},
      {"Kestor_LED_BEEP_Control", [](void* f, ReaderSim& sim, const std::string&) {
         // The check byte is that of the frame without LEN, so the SAM finds it wrong.
         EXPECT_EQ(As<int(int, int)>(f)(1, 0), -5);
         EXPECT_EQ(LastRequest(sim), (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0xC0, 0xFF, 0x01, 0x6B}));
       }},
      {"Kestor_ReadIINSNDN", [](void* f, ReaderSim& sim, const std::string&) {
         Answers(sim, 0x36, {0x36, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF});
         char text[17];
         EXPECT_EQ(As<int(char*)>(f)(text), 1);
         EXPECT_STREQ(text, "0123456789ABCDEF");
       }},
      {"Kestor_SDCard_Write", [](void* f, ReaderSim&, const std::string&) {
         const unsigned char data[41] = {};
         auto write = As<int(const char*, const unsigned char*, unsigned)>(f);
         EXPECT_EQ(write("a.txt", data, 41), -1);
         EXPECT_EQ(write("a.txt", data, 40), 0);
       }},
      {"Kestor_SDCard_Read", [](void* f, ReaderSim&, const std::string&) {
         unsigned char out[41];
         unsigned length = 0;
         auto read = As<int(const char*, unsigned, unsigned char*, unsigned*)>(f);
         EXPECT_EQ(read("a.txt", 41, out, &length), -1);
         EXPECT_EQ(read("a.txt", 40, out, &length), 0);
       }},
      {"Kestor_PowerLED_Color", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(2), 0); }},
      {"Kestor_SerialTypeACMD", [](void* f, ReaderSim& sim, const std::string&) {
         Answers(sim, 0x42, {0x42, 0xFF, 0xA1, 0xB2});
         const unsigned char data[] = {0x10, 0x20};
         unsigned char out[16] = {};
         int length = 0;
         EXPECT_EQ(As<int(int, const unsigned char*, int, unsigned char*, int*)>(f)(0x42, data, 2, out, &length), 1);
         EXPECT_EQ(BytesOf(out, length), (Bytes{0xA1, 0xB2}));
         EXPECT_EQ(LastRequest(sim), VendorFrame({0x42, 0xFF, 0x10, 0x20}));
       }},
      {"Kestor_Mute", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(0x100), 1); }},
      {"Kestor_RepeatRead", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(0), 1); }},
      {"Kestor_IsSaveWlt", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(2), 1); }},
      {"Kestor_SetComtimeout", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(-1), 1); }},  // the waits as at load
      {"Kestor_isComBase64", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 0); }},
      {"Kestor_Any_Function", [](void* f, ReaderSim&, const std::string&) {
         int out = 0;
         EXPECT_EQ(reinterpret_cast<AnyFunction>(f)("test", &out, 7, 'x', "abc"), 0);
         EXPECT_EQ(out, 1);
       }},
  };
}

RowTable SettingRows() {
  return {
      {"Kestor_GetTarnVersion", [](void* f, ReaderSim& sim, const std::string&) {
         AnswerVersion(sim);
         unsigned char version[3] = {};
         EXPECT_EQ(As<int(unsigned char*)>(f)(version), 1);
         EXPECT_EQ(BytesOf(version, 3), (Bytes{24, 25, 3}));
       }},
      {"Kestor_GetMainVersion", [](void* f, ReaderSim& sim, const std::string&) {
         AnswerVersion(sim);
         char text[12] = {};
         EXPECT_EQ(As<int(char*)>(f)(text), 0);
         EXPECT_STREQ(text, "24.25.3");
       }},
      {"Kestor_GetKvnType", [](void* f, ReaderSim& sim, const std::string&) {
         AnswerVersion(sim);
         EXPECT_EQ(As<int()>(f)(), 2);
       }},
      {"Kestor_BeepLED", [](void* f, ReaderSim& sim, const std::string&) {
         Answers(sim, 0xC0, {0x58});
         EXPECT_EQ(As<int(int, int, int)>(f)(1, 0, 0), 1);
         EXPECT_EQ(LastRequests(sim, 2),
                   (std::vector<Bytes>{VendorFrame({0xC0, 0xFF, 0x02}), VendorFrame({0xC0, 0xFF, 0x00})}));
       }},
      {"HID_BeepLED", [](void* f, ReaderSim& sim, const std::string&) {
         const std::size_t requests = sim.Requests().size();
         EXPECT_EQ(As<int(int, int, int)>(f)(1, 1, 0), 1);
         EXPECT_EQ(sim.Requests().size(), requests);  // nothing on the serial line
       }},
      {"Kestor_setStandbySleep", [](void* f, ReaderSim& sim, const std::string&) {
         AnswerVersion(sim);
         EXPECT_EQ(As<int(int)>(f)(45), -2);
         EXPECT_EQ(As<int(int)>(f)(60), -6);
       }},
      {"Kestor_GetStandbySleep", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -1); }},
      {"Kestor_setLongPressedOFF", [](void* f, ReaderSim& sim, const std::string&) {
         AnswerVersion(sim);
         EXPECT_EQ(As<int(unsigned)>(f)(7), -2);
         EXPECT_EQ(As<int(unsigned)>(f)(4), -3);
       }},
      {"Kestor_GetLongPressedOFF", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -1); }},
      {"Kestor_GetBtDevBatteryPower", [](void* f, ReaderSim& sim, const std::string&) {
         AnswerVersion(sim);
         EXPECT_EQ(As<int()>(f)(), -1);
       }},
      {"Kestor_KVNVeld_PowerOFF", [](void* f, ReaderSim& sim, const std::string&) {
         AnswerVersion(sim);
         EXPECT_EQ(As<int()>(f)(), -4);
       }},
      {"Kestor_2UsbDev_GetParam", [](void* f, ReaderSim& sim, const std::string&) {
         Answers(sim, 0x66, {kVendorSuccess, 0xFF, 9, 8, 7});
         unsigned char out[16] = {};
         int length = 0;
         EXPECT_EQ(As<int(int, unsigned char*, int*)>(f)(0x1234, out, &length), 0);
         EXPECT_EQ(BytesOf(out, length), (Bytes{9, 8, 7}));
         EXPECT_EQ(LastRequest(sim), VendorFrame({0x66, 0xFF, 0x34, 0x12}));
       }},
      {"Kestor_2UsbDev_SetParam", [](void* f, ReaderSim& sim, const std::string&) {
         Answers(sim, 0x67, {kVendorSuccess, 0xFF, 0xFF});
         const unsigned char data[] = {1, 2};
         EXPECT_EQ(As<int(int, const unsigned char*, int)>(f)(0x1234, data, 2), 0);
         EXPECT_EQ(LastRequest(sim), VendorFrame({0x67, 0xFF, 0x34, 0x12, 1, 2}));
       }},
      {"Kestor_IC_HL_ReadCardSN", [](void* f, ReaderSim& sim, const std::string&) {
         AnswerContactlessSerial(sim);
         char text[16];
         EXPECT_EQ(As<int(char*)>(f)(text), 1);
         EXPECT_STREQ(text, "DEADBEEF");
       }},
      {"dc_init", [](void* f, ReaderSim&, const std::string&) {
         EXPECT_EQ(As<int(int, int)>(f)(300, 0), -1);
         EXPECT_EQ(As<int(int, int)>(f)(kPort, 0), kPort);
       }},
      {"dc_exit", [](void* f, ReaderSim&, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(0), -1);
         EXPECT_EQ(As<int(int)>(f)(kPort), 0);
       }},
  };
}

}  // namespace

RowTable DeviceRows() {
  RowTable rows = CommandRows();
  RowTable settings = SettingRows();
  rows.insert(settings.begin(), settings.end());
  return rows;
}

}  // namespace vantel_test::export_rows
