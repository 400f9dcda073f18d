// Every export of the export list, called by its name against a reader simulator on a serial
// line: a row per export says what a call must give. A swapped argument in an entry point
// changes a result or a request on the wire. A new export needs a row here or in its
// family's table (export_rows.h).
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "export_rows.h"
#include "exports_library.h"
#include "support/id_card_writer.h"
#include "support/reader_sim.h"
#include "support/reader_sim_cards.h"
#include "support/reader_sim_serial.h"
#include "support/temp_folder.h"

namespace {

using vantel_test::Bytes;
using vantel_test::SamAnswer;
using vantel_test::SamRequest;
using namespace vantel_test::export_rows;

const unsigned char kKeyFF[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const Bytes kStatusRequest{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x11, 0xFF, 0xED};

struct ExportLine {
  std::string name;
  std::string argumentBytes;
  std::string form;  // both, decorated or plain
};

std::vector<ExportLine> ReadExportList() {
  std::vector<ExportLine> lines;
  std::ifstream list(vantel_test::BuildPath(VANTEL_EXPORT_LIST));
  for (std::string text; std::getline(list, text);) {
    std::istringstream fields(text.substr(0, text.find('#')));
    ExportLine line;
    if (!(fields >> line.name >> line.argumentBytes)) continue;
    if (!(fields >> line.form)) line.form = "both";
    lines.push_back(line);
  }
  return lines;
}

class EveryExport : public vantel_test::ExportsLibrary {
 protected:
  // The entry of `line` under the name a caller of this system uses; under Windows both
  // names of a "both" entry must lead to the same function.
  void* EntryOf(const ExportLine& line) {
#if defined(_WIN32)
    const std::string decorated = "_" + line.name + "@" + line.argumentBytes;
    void* plain = Find<void*>(line.name.c_str());
    if (line.form == "plain") return plain;
    void* byDecoration = Find<void*>(decorated.c_str());
    EXPECT_TRUE(byDecoration) << decorated;
    if (line.form == "both") {
      EXPECT_EQ(plain, byDecoration) << line.name;
    } else {
      EXPECT_FALSE(plain) << line.name << " stands under its plain name";
    }
    return byDecoration;
#else
    return Find<void*>(line.name.c_str());
#endif
  }

  vantel_test::ReaderSim sim;
  vantel_test::SerialAttachment serial{sim, kPort};
  vantel_test::TempFolder folder;
};

// One row per export: what calling it with the simulator behind COM kPort gives.
std::map<std::string, std::function<void(void*, vantel_test::ReaderSim&, const std::string&)>> Rows() {
  using Sim = vantel_test::ReaderSim;
  return {
      {"Kestor_bmpToJpgBase64", [](void* f, Sim&, const std::string& missing) {
         char out[16] = {};
         EXPECT_EQ(As<int(const char*, char*)>(f)(missing.c_str(), out), -1);
       }},
      {"GetHIDCount", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 0); }},
      {"HIDSelect", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(1), 0); }},
      {"ZRT_OpenPort", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(kPort), 144);
         EXPECT_EQ(As<int(int)>(f)(200), 1);  // no line there
         EXPECT_EQ(LastRequest(sim), kStatusRequest);  // the rate probe asked
       }},
      {"ZRT_ClosePort", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(kPort), 144);
       }},
      {"InitComm", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(kPort), 1);
         EXPECT_EQ(As<int(int)>(f)(416), 0);
       }},
      {"CloseComm", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int()>(f)(), 1);  // InitComm's port is open
         EXPECT_EQ(As<int()>(f)(), 0);
       }},
      {"ZRT_GetCOMBaud", [](void* f, Sim&, const std::string&) {
         int baud = 0;
         EXPECT_EQ(As<int(int, int*)>(f)(kPort, &baud), 144);
         EXPECT_EQ(baud, 115200);
       }},
      {"ZRT_SetCOMBaud", [](void* f, Sim& sim, const std::string&) {
         sim.OnSamCommand(0x60, 0x01, [](const SamRequest&) { return SamAnswer{0, 0, 0x90, {}}; });
         EXPECT_EQ(As<int(int, int, int)>(f)(kPort, 115200, 57600), 144);
         EXPECT_EQ(LastRequest(sim), (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x03, 0x60, 0x01, 0x62}));
       }},
      {"ZRT_SetOpenCOMBaud", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(57600), 0);
       }},
      {"FindAllUSB", [](void* f, Sim&, const std::string&) {
         int usb = -1;
         int hid = -1;
         EXPECT_EQ(As<int(int*, int*)>(f)(&usb, &hid), 1);
         EXPECT_EQ(usb, 0);
         EXPECT_EQ(hid, 0);
       }},
      {"SelectUSB", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(3), 0); }},
      {"InitZRTandHIDComm", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(3), 0); }},
      {"CloseZRTandHIDComm", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(0), 1);
         EXPECT_EQ(As<int(int)>(f)(5), 0);
       }},
      {"ZRT_GetSAMStatus", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ(As<int(int, int)>(f)(kPort, 1), 144);
         EXPECT_EQ(LastRequest(sim), kStatusRequest);
       }},
      {"ZRT_ResetSAM", [](void* f, Sim& sim, const std::string&) {
         sim.OnSamCommand(0x10, 0xFF, [](const SamRequest&) { return SamAnswer{0, 0, 0x91, {}}; });
         EXPECT_EQ(As<int(int, int)>(f)(kPort, 1), 0x91);
       }},
      {"ZRT_GetSAMID", [](void* f, Sim& sim, const std::string&) {
         unsigned char id[16] = {};
         EXPECT_EQ(As<int(int, unsigned char*, int)>(f)(kPort, id, 1), 144);
         EXPECT_EQ(Bytes(id, id + 16), sim.Sam().samId);
       }},
      {"ZRT_ReadNewAppMsg", [](void* f, Sim& sim, const std::string&) {
         const Bytes address{1, 2, 3, 4, 5};
         sim.OnSamCommand(0x30, 0x03, [address](const SamRequest&) { return SamAnswer{0, 0, 0x90, address}; });
         unsigned char out[280] = {};
         unsigned length = 0;
         EXPECT_EQ(As<int(int, unsigned char*, unsigned*, int)>(f)(kPort, out, &length, 1), 144);
         EXPECT_EQ(Bytes(out, out + length), address);
       }},
      {"ZRT_ReadMngInfo", [](void* f, Sim& sim, const std::string&) {
         for (int i = 0; i < 28; ++i) sim.Sam().managementInfo[i] = static_cast<std::uint8_t>(0xA0 + i);
         unsigned char info[28] = {};
         EXPECT_EQ(As<int(int, unsigned char*, int)>(f)(kPort, info, 1), 144);
         EXPECT_EQ(Bytes(info, info + 28), sim.Sam().managementInfo);
       }},
      {"ZRT_SetMaxRFByte", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ(As<int(int, int, int)>(f)(kPort, 80, 1), 144);
         EXPECT_EQ(sim.Sam().rfFrameSize, 80);
       }},
      {"Morvik", [](void* f, Sim&, const std::string& missing) {
         EXPECT_EQ(As<int(const char*)>(f)(missing.c_str()), -1);
       }},
      // The reader commands run on the line that dc_init opens (it stands first in their
      // block of the list) until dc_exit (last) closes it.
      {"dc_init", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(int, int)>(f)(kPort, 0), kPort);
         EXPECT_EQ(As<int(int, int)>(f)(0, 0), -1);
         EXPECT_EQ(As<int(int, int)>(f)(kPort, 0), kPort);
       }},
      {"Kestor_StartFindIDCard", [](void* f, Sim& sim, const std::string&) {
         unsigned char type = 0;
         EXPECT_EQ(As<int(unsigned char*)>(f)(&type), vantel_test::kVendorNoCard);
         EXPECT_EQ(LastRequest(sim), vantel_test::VendorFrame({0x01, 0xFF, 0xFF}));
       }},
      {"Kestor_ReadBaseMsg", [](void* f, Sim& sim, const std::string&) {
         sim.PlaceCard(std::make_shared<vantel_test::SimContactlessCard>());
         unsigned char serial[10] = {};
         int length = 0;
         EXPECT_EQ(As<int(unsigned char*, int*)>(f)(serial, &length), 2);
         EXPECT_EQ(Bytes(serial, serial + length), (Bytes{0x12, 0x34, 0x56, 0x78}));
       }},
      {"Kestor_SetNewVersion", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(0x100), 0x56);
         EXPECT_EQ(LastRequest(sim), vantel_test::VendorFrame({0xC1, 0xFF, 0x01}));
       }},
      {"Kestor_SetTarnUpdate", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ(As<int()>(f)(), 1);
         EXPECT_EQ(sim.Device().updates, 1);
       }},
      {"Kestor_ShutDownAntenna", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -1); }},
      {"Kestor_Samv_Comm_MaxLen", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(90), 0);
         EXPECT_EQ(sim.Sam().rfFrameSize, 90);
       }},
      {"Kestor_LED_BEEP_Control", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ(As<int(int, int)>(f)(0, 1), 0);
         EXPECT_EQ(LastRequest(sim), (Bytes{0xAA, 0xAA, 0xAA, 0x96, 0x69, 0x00, 0x04, 0xC0, 0xFF, 0x02, 0x68}));
       }},
      {"Kestor_ReadIINSNDN", [](void* f, Sim&, const std::string&) {
         char text[17] = {};
         EXPECT_EQ(As<int(char*)>(f)(text), 1);
         EXPECT_STREQ(text, "0123456789ABCDEF");
       }},
      {"Kestor_SDCard_Write", [](void* f, Sim&, const std::string&) {
         const unsigned char data[41] = {};
         EXPECT_EQ(As<int(const char*, const unsigned char*, unsigned)>(f)("a", data, 41), -1);
         EXPECT_EQ(As<int(const char*, const unsigned char*, unsigned)>(f)("a", data, 40), 0);
       }},
      {"Kestor_SDCard_Read", [](void* f, Sim&, const std::string&) {
         unsigned char out[40] = {};
         unsigned length = 0;
         using Read = int(const char*, unsigned, unsigned char*, unsigned*);
         EXPECT_EQ(As<Read>(f)("a", 40, out, nullptr), -1);
         EXPECT_EQ(As<Read>(f)("a", 40, out, &length), 0);
       }},
      {"Kestor_PowerLED_Color", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(1), 0); }},
      {"Kestor_SerialTypeACMD", [](void* f, Sim& sim, const std::string&) {
         sim.OnVendorCommand(0x40, [](const Bytes& payload) -> std::optional<Bytes> {
           return Bytes{0x40, 0xFF, payload[3], payload[2]};
         });
         const unsigned char data[] = {1, 2};
         unsigned char out[253] = {};
         int length = 0;
         EXPECT_EQ((As<int(int, const unsigned char*, int, unsigned char*, int*)>(f)(0x40, data, 2, out, &length)), 1);
         EXPECT_EQ(Bytes(out, out + length), (Bytes{2, 1}));
       }},
      {"Kestor_Mute", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(1), 1); }},
      {"Kestor_RepeatRead", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(1), 1); }},
      {"Kestor_IsSaveWlt", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(2), 1); }},
      {"Kestor_SetComtimeout", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(3000), 1); }},
      {"Kestor_isComBase64", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 0); }},
      {"Kestor_Any_Function", [](void* f, Sim&, const std::string&) {
         int out = 0;  // the caller cleans the stack
         auto any = reinterpret_cast<int (*)(const char*, int*, int, int, const char*)>(f);
         EXPECT_EQ(any("Test", &out, 5, 'A', "x"), -1);
       }},
      {"Kestor_GetTarnVersion", [](void* f, Sim&, const std::string&) {
         unsigned char version[3] = {};
         EXPECT_EQ(As<int(unsigned char*)>(f)(version), 1);
         EXPECT_EQ(Bytes(version, version + 3), (Bytes{24, 25, 1}));
       }},
      {"Kestor_GetMainVersion", [](void* f, Sim&, const std::string&) {
         char text[12] = {};
         EXPECT_EQ(As<int(char*)>(f)(text), 0);
         EXPECT_STREQ(text, "24.25.1");
       }},
      {"Kestor_GetKvnType", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 2); }},
      {"Kestor_BeepLED", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ(As<int(int, int, int)>(f)(0, 1, 0), 1);
         EXPECT_EQ(sim.Device().ledControls, (std::vector<std::uint8_t>{0x02, 0x01, 0x00}));  // after LED_BEEP
       }},
      {"HID_BeepLED", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(int, int, int)>(f)(1, 1, 0), 1); }},
      {"Kestor_setStandbySleep", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(45), -2);
         EXPECT_EQ(As<int(int)>(f)(60), -6);
       }},
      {"Kestor_GetStandbySleep", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -1); }},
      {"Kestor_setLongPressedOFF", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(unsigned)>(f)(7), -2);
         EXPECT_EQ(As<int(unsigned)>(f)(4), -3);
       }},
      {"Kestor_GetLongPressedOFF", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -1); }},
      {"Kestor_GetBtDevBatteryPower", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -1); }},
      {"Kestor_KVNVeld_PowerOFF", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -4); }},
      {"Kestor_2UsbDev_GetParam", [](void* f, Sim& sim, const std::string&) {
         sim.Device().twoUsbParameters[0x0102] = {7, 8};
         unsigned char out[252] = {};
         int length = 0;
         EXPECT_EQ(As<int(int, unsigned char*, int*)>(f)(0x0102, out, &length), 0);
         EXPECT_EQ(Bytes(out, out + length), (Bytes{7, 8}));
       }},
      {"Kestor_2UsbDev_SetParam", [](void* f, Sim& sim, const std::string&) {
         const unsigned char data[] = {9};
         EXPECT_EQ(As<int(int, const unsigned char*, int)>(f)(0x0304, data, 1), 0);
         EXPECT_EQ(sim.Device().twoUsbParameters[0x0304], Bytes{9});
       }},
      {"Kestor_IC_HL_ReadCardSN", [](void* f, Sim&, const std::string&) {
         char text[16] = {};
         EXPECT_EQ(As<int(char*)>(f)(text), 1);
         EXPECT_STREQ(text, "12345678");
       }},
      // The card commands, on the line of dc_init.
      {"Kestor_CPUCard_Active", [](void* f, Sim& sim, const std::string&) {
         sim.PlaceCard(std::make_shared<vantel_test::SimCpuCard>());
         EXPECT_EQ(As<int()>(f)(), 1);
         EXPECT_EQ(LastRequest(sim), (Bytes{0x55, 0xAA, 0x04, 0x53, 0xFF, 0xFF, 0xA8}));
       }},
      {"Kestor_CPUCard_PowerOFF", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ(As<int()>(f)(), 1);
         EXPECT_FALSE(sim.CardAs<vantel_test::SimCpuCard>()->powered);
         sim.CardAs<vantel_test::SimCpuCard>()->powered = true;
       }},
      {"Kestor_CPUCard_ATS", [](void* f, Sim& sim, const std::string&) {
         unsigned char ats[59] = {};
         int length = 0;
         EXPECT_EQ(As<int(unsigned char*, int*)>(f)(ats, &length), 1);
         EXPECT_EQ(Bytes(ats, ats + length), sim.CardAs<vantel_test::SimCpuCard>()->ats);
       }},
      {"Kestor_CPUCard_PPS", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ(As<int(int, int)>(f)(0x11, 0x22), 1);
         EXPECT_EQ(sim.CardAs<vantel_test::SimCpuCard>()->pps, (Bytes{0x11, 0x22}));
       }},
      {"Kestor_APDU", [](void* f, Sim&, const std::string&) {
         unsigned char out[263] = {};
         int length = 0;
         EXPECT_EQ(As<int(const char*, unsigned char*, int*)>(f)("00A4040000", out, &length), 1);
         EXPECT_EQ(Bytes(out, out + length), (Bytes{0x90, 0x00}));
       }},
      {"Kestor_PSAMCard_ATRS", [](void* f, Sim& sim, const std::string&) {
         unsigned char atr[59] = {};
         int length = 0;
         EXPECT_EQ((As<int(int, unsigned, int, unsigned char*, int*)>(f)(2, 1, 0, atr, &length)), 1);
         EXPECT_EQ(Bytes(atr, atr + length), sim.Psam(2).atr);
       }},
      {"Kestor_PSAMCard_SendCmd", [](void* f, Sim& sim, const std::string&) {
         unsigned char out[263] = {};
         int length = 0;
         EXPECT_EQ(As<int(const char*, unsigned char*, int*)>(f)("0084000008", out, &length), 1);
         EXPECT_EQ(Bytes(out, out + length), sim.Psam(2).response);
       }},
      {"Kestor_PSAMCard_PowerOFF", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ(As<int()>(f)(), 1);
         EXPECT_FALSE(sim.Psam(2).powered);
       }},
      // The PSAM_ functions talk to the HID reader alone: there is none, so nothing answers.
      {"PSAM_FunTest", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 0); }},
      {"PSAM_ReadATR", [](void* f, Sim&, const std::string&) {
         unsigned char atr[16] = {};
         EXPECT_EQ((As<int(int, int, int, unsigned char*)>(f)(3, 0, 0, atr)), -2);
         EXPECT_EQ((As<int(int, int, int, unsigned char*)>(f)(1, 4, 0, atr)), -3);
       }},
      {"PSAM_SendCMD", [](void* f, Sim&, const std::string&) {
         const unsigned char data[58] = {};
         unsigned char answer[20] = {};
         using SendCmd = int(int, const unsigned char*, int, unsigned char*);
         EXPECT_EQ(As<SendCmd>(f)(3, data, 5, answer), -2);
         EXPECT_EQ(As<SendCmd>(f)(1, data, 58, answer), -3);
       }},
      {"PSAM_PowerOff", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(int)>(f)(0), -2); }},
      {"Kestor_IC_FindCard", [](void* f, Sim& sim, const std::string&) {
         sim.PlaceCard(std::make_shared<vantel_test::SimM1Card>(vantel_test::kM1FortySectorType));
         EXPECT_EQ(As<int()>(f)(), 3);
       }},
      {"Kestor_IC_HL_ReadCard", [](void* f, Sim& sim, const std::string&) {
         unsigned char block[16] = {};
         using Read = int(int, int, int, const unsigned char*, unsigned char*);
         EXPECT_EQ(As<Read>(f)(35, 9, 0x60, kKeyFF, block), 1);
         EXPECT_EQ(Bytes(block, block + 16), sim.CardAs<vantel_test::SimM1Card>()->Block(46, 1));
       }},
      {"Kestor_IC_HL_WriteCard", [](void* f, Sim& sim, const std::string&) {
         const Bytes data(16, 0x3C);
         using Write = int(int, int, int, const unsigned char*, const unsigned char*);
         EXPECT_EQ(As<Write>(f)(33, 6, 0x61, kKeyFF, data.data()), 1);
         EXPECT_EQ(sim.CardAs<vantel_test::SimM1Card>()->Block(37, 2), data);
       }},
      {"ReadIINSNDN", [](void* f, Sim&, const std::string&) {
         char text[17] = {};
         EXPECT_EQ(As<int(char*)>(f)(text), 1);
         EXPECT_STREQ(text, "A0A1A2A3A4A5A6A7");  // the management information set above
       }},
      // The reader answers the step-by-step commands base64-wrapped on the serial line.
      {"dc_request", [](void* f, Sim& sim, const std::string&) {
         sim.PlaceCard(std::make_shared<vantel_test::SimM1Card>());
         sim.SetStandingFault(vantel_test::FaultPlan{vantel_test::Fault::kBase64});
         int cardType = 0;
         EXPECT_EQ(As<int(int, int, int*)>(f)(kPort, 1, &cardType), 0);
         EXPECT_EQ(cardType, 4);
         EXPECT_EQ(LastRequest(sim), vantel_test::VendorFrame({0x13, 0xFF, 0xFF}));
       }},
      {"dc_anticoll", [](void* f, Sim&, const std::string&) {
         unsigned char serial[10] = {};
         EXPECT_EQ(As<int(int, int, unsigned char*)>(f)(kPort, 0, serial), 0);
         EXPECT_EQ(Bytes(serial, serial + 4), (Bytes{0x12, 0x34, 0x56, 0x78}));
       }},
      {"dc_select", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ((As<int(int, unsigned, unsigned char*)>(f)(kPort, 0x78563412u, nullptr)), 0);
       }},
      {"dc_authentication_passaddr", [](void* f, Sim&, const std::string&) {
         using Authenticate = int(int, int, unsigned, const unsigned char*);
         EXPECT_EQ(As<Authenticate>(f)(kPort, 0x61, 4, kKeyFF), 0);
       }},
      {"dc_write", [](void* f, Sim& sim, const std::string&) {
         const Bytes data(16, 0x6B);
         EXPECT_EQ((As<int(int, unsigned, const unsigned char*)>(f)(kPort, 5, data.data())), 0);
         EXPECT_EQ(sim.CardAs<vantel_test::SimM1Card>()->Block(1, 1), data);
       }},
      {"dc_read", [](void* f, Sim& sim, const std::string&) {
         unsigned char block[16] = {};
         EXPECT_EQ((As<int(int, unsigned, unsigned char*)>(f)(kPort, 4, block)), 0);
         EXPECT_EQ(Bytes(block, block + 16), sim.CardAs<vantel_test::SimM1Card>()->Block(1, 0));
       }},
      {"dc_halt", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(kPort), 0);
         EXPECT_TRUE(sim.CardAs<vantel_test::SimM1Card>()->halted);
       }},
      {"dc_BeepLED", [](void* f, Sim& sim, const std::string&) {
         EXPECT_EQ((As<int(int, int, int, int)>(f)(kPort, 0, 1, 0)), 1);
         const std::vector<std::uint8_t>& controls = sim.Device().ledControls;
         EXPECT_EQ(std::vector<std::uint8_t>(controls.end() - 2, controls.end()),
                   (std::vector<std::uint8_t>{0x01, 0x00}));
         sim.SetStandingFault(std::nullopt);
       }},
      // The identity card on the line dc_init opened: a resident card searched, selected, read
      // and decided, then a foreign card (with a photo that does not decode, so that no photo
      // file lands beside the library) for the decoders of that kind.
      {"ZRT_StartFindIDCard", [](void* f, Sim& sim, const std::string&) {
         sim.PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
         int found[1] = {};
         EXPECT_EQ(As<int(int, int*, int)>(f)(kPort, found, 0), 159);
         EXPECT_EQ(LastRequest(sim), vantel_test::SamRequestFrame(0x20, 0x01));
       }},
      {"ZRT_SelectIDCard", [](void* f, Sim& sim, const std::string&) {
         int selected[2] = {};
         EXPECT_EQ(As<int(int, int*, int)>(f)(kPort, selected, 0), 144);
         EXPECT_EQ(LastRequest(sim), vantel_test::SamRequestFrame(0x20, 0x02));
       }},
      {"ZRT_ReadBaseMsg", [](void* f, Sim& sim, const std::string&) {
         unsigned char text[256] = {};
         unsigned char photo[1024] = {};
         unsigned textLength = 0;
         unsigned photoLength = 0;
         using Read = int(int, unsigned char*, unsigned*, unsigned char*, unsigned*, int);
         EXPECT_EQ(As<Read>(f)(kPort, text, &textLength, photo, &photoLength, 0), 144);
         EXPECT_EQ(Bytes(text, text + textLength), sim.CardAs<vantel_test::SimIdentityCard>()->text);
         EXPECT_EQ(photoLength, 1024u);
       }},
      {"ZRT_ReadBaseMsgToFile", [](void* f, Sim& sim, const std::string& missing) {
         unsigned textLength = 0;
         unsigned photoLength = 0;
         using Read = int(int, const char*, unsigned*, const char*, unsigned*, int);
         const std::string textFile = missing + ".txt";
         EXPECT_EQ(As<Read>(f)(kPort, textFile.c_str(), &textLength, (missing + ".wlt").c_str(),
                               &photoLength, 0),
                   144);
         std::ifstream text(textFile, std::ios::binary);
         const Bytes written{std::istreambuf_iterator<char>(text), {}};
         EXPECT_EQ(written, sim.CardAs<vantel_test::SimIdentityCard>()->text);
         EXPECT_EQ(photoLength, 1024u);
       }},
      {"ZRT_GetSAMIDToStr", [](void* f, Sim&, const std::string&) {
         char text[40] = {};
         EXPECT_EQ(As<int(int, char*, int)>(f)(kPort, text, 0), 144);
         EXPECT_STREQ(text, "05.01-12345678-1834765114-1144201745");
       }},
      {"GetSAMIDToStr", [](void* f, Sim&, const std::string&) {
         char text[40];
         EXPECT_EQ(As<int(char*)>(f)(text), 1);
         EXPECT_STREQ(text, "05.01-12345678-1834765114-1144201745");
       }},
      {"CardOn", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 1); }},
      {"Kestor_DecideIDCardType", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int()>(f)(), 100);
       }},
      {"ReadBaseInfos", [](void* f, Sim&, const std::string&) {
         char v[9][72] = {};
         using Decode = int(char*, char*, char*, char*, char*, char*, char*, char*, char*);
         EXPECT_EQ(As<Decode>(f)(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]), 1);
         EXPECT_STREQ(v[0], "张三");
         EXPECT_STREQ(v[4], "11010119900101123X");
         EXPECT_STREQ(v[8], "20400101");
       }},
      {"Authenticate", [](void* f, Sim& sim, const std::string&) {
         auto card = vantel_test::IdCardWith(vantel_test::ForeignText({}));
         card->photo.assign(1024, 0);
         sim.PlaceCard(card);
         EXPECT_EQ(As<int()>(f)(), 1);
       }},
      {"Kestor_ReadForeignBaseInfos", [](void* f, Sim&, const std::string&) {
         char v[8][128] = {};
         using Decode = int(char*, char*, char*, char*, char*, char*, char*, char*);
         EXPECT_EQ(As<Decode>(f)(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]), 1);
         EXPECT_STREQ(v[0], "SMITH, JOHN");
         EXPECT_STREQ(v[3], "USA");
         EXPECT_STREQ(v[7], "20330101");
       }},
      {"Kestor_ReadAllForeignBaseInfos", [](void* f, Sim&, const std::string&) {
         char v[12][128] = {};
         using Decode = int(char*, char*, char*, char*, char*, char*, char*, char*, char*, char*,
                            char*, char*);
         EXPECT_EQ(As<Decode>(f)(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10],
                                 v[11]),
                   1);
         EXPECT_STREQ(v[2], "USA110090010101");
         EXPECT_STREQ(v[9], "1100");
         EXPECT_STREQ(v[10], "I");
       }},
      {"Kestor_ReadAllGATBaseInfos", [](void* f, Sim&, const std::string&) {
         char v[14][72] = {};
         using Decode = int(char*, char*, char*, char*, char*, char*, char*, char*, char*, char*,
                            char*, char*, char*, char*);
         EXPECT_EQ(As<Decode>(f)(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10],
                                 v[11], v[12], v[13]),
                   0);  // a foreign card is no permit
       }},
      // The simplified reads with the foreign card of the field, no sibling library beside
      // the library and every file in the test's folder.
      {"ReadBaseMsg", [](void* f, Sim&, const std::string&) {
         char record[192];
         EXPECT_EQ(As<int(char*, int*)>(f)(record, nullptr), 0);
       }},
      {"ReadBaseMsgPhoto", [](void* f, Sim& sim, const std::string& missing) {
         char record[192];
         int length = 0;
         EXPECT_EQ(As<int(char*, int*, const char*)>(f)(record, &length, missing.c_str()), 0);
         EXPECT_EQ(LastRequest(sim), vantel_test::SamRequestFrame(0x30, 0x01));  // read, refused
       }},
      {"ReadBaseMsgW", [](void* f, Sim&, const std::string&) {
         int length = 0;
         EXPECT_EQ(As<int(unsigned char*, int*)>(f)(nullptr, &length), 0);
       }},
      {"ReadBaseMsgWPhoto", [](void* f, Sim&, const std::string& missing) {
         unsigned char text[256];
         int length = 0;
         // "photo.wlt" written, then no "Morvik.dll" to load.
         EXPECT_EQ(As<int(unsigned char*, int*, const char*)>(f)(text, &length, missing.c_str()), -4);
         std::ifstream wlt(missing + "/photo.wlt", std::ios::binary);
         EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(wlt), {}).size(), 1024u);
       }},
      {"ReadBaseInfosPhoto", [](void* f, Sim&, const std::string& missing) {
         char v[9][72] = {};
         using Read = int(char*, char*, char*, char*, char*, char*, char*, char*, char*, const char*);
         EXPECT_EQ(As<Read>(f)(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], missing.c_str()), 0);
       }},
      {"Kestor_ReadForeignBaseInfosPhoto", [](void* f, Sim&, const std::string& missing) {
         char v[8][128] = {};
         using Read = int(char*, char*, char*, char*, char*, char*, char*, char*, const char*);
         // The fields come before the card images, which find no library: -5.
         EXPECT_EQ(As<Read>(f)(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], missing.c_str()), -5);
         EXPECT_STREQ(v[0], "SMITH, JOHN");
         EXPECT_STREQ(v[7], "20330101");
       }},
      {"Kestor_ReadAllForeignBaseInfosPhoto", [](void* f, Sim&, const std::string& missing) {
         char v[12][128] = {};
         using Read = int(char*, char*, char*, char*, char*, char*, char*, char*, char*, char*,
                          char*, char*, const char*);
         EXPECT_EQ(As<Read>(f)(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10],
                               v[11], missing.c_str()),
                   -5);
         EXPECT_STREQ(v[9], "1100");
       }},
      {"Kestor_ReadAllGATBaseInfosPhoto", [](void* f, Sim&, const std::string& missing) {
         char v[14][72] = {};
         using Read = int(char*, char*, char*, char*, char*, char*, char*, char*, char*, char*,
                          char*, char*, char*, char*, const char*);
         EXPECT_EQ(As<Read>(f)(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10],
                               v[11], v[12], v[13], missing.c_str()),
                   0);  // a foreign card is no permit
       }},
      {"ReadNewAppMsg", [](void* f, Sim& sim, const std::string&) {
         char records[4][71];
         int count = -1;
         EXPECT_EQ(As<int(char*, int*)>(f)(records[0], &count), 1);
         EXPECT_EQ(count, 0);
         EXPECT_EQ(LastRequest(sim), vantel_test::SamRequestFrame(0x30, 0x03));
       }},
      {"ReadNewAppMsgW", [](void* f, Sim&, const std::string&) {
         int count = -1;
         EXPECT_EQ(As<int(unsigned char*, int*)>(f)(nullptr, &count), 0);
       }},
      {"ReadNewAppInfos", [](void* f, Sim&, const std::string&) {
         char a[4][71];
         int count = -1;
         EXPECT_EQ(As<int(char*, char*, char*, char*, int*)>(f)(a[0], a[1], a[2], a[3], &count), 1);
         EXPECT_EQ(count, 0);
       }},
      {"releaseQuellanDll", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 0); }},
      {"ZRT_ReadBaseMsgFingerPrint", [](void* f, Sim& sim, const std::string&) {
         unsigned char text[256], photo[1024], fingerprint[1024];
         unsigned lengths[3] = {};
         using Read = int(int, unsigned char*, unsigned*, unsigned char*, unsigned*, unsigned char*,
                          unsigned*, int);
         EXPECT_EQ(As<Read>(f)(kPort, text, &lengths[0], photo, &lengths[1], fingerprint, &lengths[2], 0), 144);
         EXPECT_EQ(Bytes(fingerprint, fingerprint + lengths[2]),
                   sim.CardAs<vantel_test::SimIdentityCard>()->fingerprint);
       }},
      {"ZRT_ReadBaseFPMsg", [](void* f, Sim& sim, const std::string&) {
         unsigned char text[256], photo[1024], fingerprint[1024];
         unsigned lengths[3] = {};
         using Read = int(int, unsigned char*, unsigned*, unsigned char*, unsigned*, unsigned char*,
                          unsigned*, int);
         EXPECT_EQ(As<Read>(f)(kPort, text, &lengths[0], photo, &lengths[1], fingerprint, &lengths[2], 0), 144);
         EXPECT_EQ(Bytes(text, text + lengths[0]), sim.CardAs<vantel_test::SimIdentityCard>()->text);
       }},
      {"ZRT_ReadBaseFPMsgToFile", [](void* f, Sim& sim, const std::string& missing) {
         unsigned lengths[3] = {};
         using Read = int(int, const char*, unsigned*, const char*, unsigned*, const char*,
                          unsigned*, int);
         const std::string fingerprintFile = missing + ".fp";
         EXPECT_EQ(As<Read>(f)(kPort, (missing + ".txt").c_str(), &lengths[0], (missing + ".wlt").c_str(),
                               &lengths[1], fingerprintFile.c_str(), &lengths[2], 0),
                   144);
         std::ifstream written(fingerprintFile, std::ios::binary);
         EXPECT_EQ(Bytes(std::istreambuf_iterator<char>(written), {}),
                   sim.CardAs<vantel_test::SimIdentityCard>()->fingerprint);
       }},
      {"Kestor_DecideFPIDCardType", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int()>(f)(), 101);
       }},
      {"IsFingerPrintDevice", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -2); }},
      {"ReadBaseFPMsg", [](void* f, Sim&, const std::string&) {
         char record[192];
         int length = 0;
         unsigned fingerprintLength = 0;
         using Read = int(char*, int*, unsigned char*, unsigned*);
         EXPECT_EQ(As<Read>(f)(record, &length, nullptr, &fingerprintLength), 0);
       }},
      {"ReadBaseInfosFPPhoto", [](void* f, Sim&, const std::string& missing) {
         char v[9][72] = {};
         unsigned char fingerprint[1024];
         unsigned length = 0;
         using Read = int(char*, char*, char*, char*, char*, char*, char*, char*, char*, const char*,
                          unsigned char*, unsigned*);
         // The kept message of the kind decision, "photo.wlt", then no "Morvik.dll": -4.
         EXPECT_EQ(As<Read>(f)(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], missing.c_str(),
                               fingerprint, &length),
                   -4);
         EXPECT_EQ(length, 1024u);
       }},
      {"ReadForeignBaseInfosFPPhoto", [](void* f, Sim&, const std::string& missing) {
         char v[12][128] = {};
         unsigned char fingerprint[1024];
         unsigned length = 0;
         using Read = int(char*, char*, char*, char*, char*, char*, char*, char*, char*, char*,
                          char*, char*, const char*, unsigned char*, unsigned*);
         EXPECT_EQ(As<Read>(f)(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10],
                               v[11], missing.c_str(), fingerprint, &length),
                   -4);
       }},
      {"ReadGATBaseInfosFPPhoto", [](void* f, Sim&, const std::string& missing) {
         char v[14][72] = {};
         unsigned char fingerprint[1024];
         unsigned length = 0;
         using Read = int(char*, char*, char*, char*, char*, char*, char*, char*, char*, char*,
                          char*, char*, char*, char*, const char*, unsigned char*, unsigned*);
         EXPECT_EQ(As<Read>(f)(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10],
                               v[11], v[12], v[13], missing.c_str(), fingerprint, &length),
                   -4);
       }},
      {"Kestor_ChipReadBaseMsgDist", [](void* f, Sim&, const std::string& missing) {
         // No text, a photo of 4 bytes and a fingerprint of 3 after it.
         unsigned char blob[2320] = {0xAA, 0xAA, 0xAA, 0x96, 0x69};
         const unsigned char parts[] = {0, 0, 0, 4, 0, 3, 'w', 'l', 't', '!', 'f', 'p', '3'};
         std::copy(std::begin(parts), std::end(parts), blob + 10);
         char v[9][72] = {};
         unsigned char fingerprint[1024] = {};
         unsigned length = 0;
         using Dist = int(const unsigned char*, int, char*, char*, char*, char*, char*, char*,
                          char*, char*, char*, const char*, unsigned char*, unsigned*);
         auto dist = As<Dist>(f);
         EXPECT_EQ(dist(blob, 0, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], nullptr,
                        missing.c_str(), fingerprint, &length),
                   -2);
         // "photo.wlt", then no "Morvik.dll": -4, the fields untouched.
         EXPECT_EQ(dist(blob, 0, v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8],
                        missing.c_str(), fingerprint, &length),
                   -4);
         EXPECT_EQ(length, 3u);
         EXPECT_EQ(BytesOf(fingerprint, 4), (Bytes{'f', 'p', '3', 0}));
         std::ifstream wlt(missing + "/photo.wlt", std::ios::binary);
         EXPECT_EQ(std::string(std::istreambuf_iterator<char>(wlt), {}), "wlt!");
         EXPECT_EQ(std::string(v[0]) + v[8], "");
       }},
      {"dc_exit", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(kPort), 0);
         EXPECT_EQ(As<int(int)>(f)(257), -1);
       }},
      // Bluetooth: no HID reader and no link here, so each call fails its own way.
      {"UsbOpenBt", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 0); }},
      {"UsbCloseBt", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 0); }},
      {"ReadBtMac", [](void* f, Sim&, const std::string&) {
         unsigned char mac[58] = {};
         EXPECT_EQ(As<int(unsigned char*, int)>(f)(mac, 0), 0);
       }},
      {"Kestor_LT_BT_ChangeBtName", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(const char*, int)>(f)("KT-01", 0), 0);
       }},
      {"setBtPin", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(const char*, int)>(f)("1234", 0), 0); }},
      {"setBtSleep", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(unsigned)>(f)(30), 0); }},
      {"setSecretKey", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(const char*)>(f)("0123456789ABCDEF"), 0);
       }},
      {"Kestor_setBtClose", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -1); }},
      {"Kestor_setBtNowSleep", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -1); }},
      {"Kestor_GetBtName", [](void* f, Sim&, const std::string&) {
         char name[59] = {};
         EXPECT_EQ(As<int(char*, int)>(f)(name, 0), -1);
       }},
      {"Kestor_GetBtPin", [](void* f, Sim&, const std::string&) {
         char pin[59] = {};
         EXPECT_EQ(As<int(char*, int)>(f)(pin, 0), -1);
       }},
      {"Kestor_GetBtSleep", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -1); }},
      {"Kestor_GetCardVersion", [](void* f, Sim&, const std::string&) {
         char version[12] = {};
         EXPECT_EQ(As<int(char*)>(f)(version), -1);
       }},
      {"Kestor_GetBtDevVersion", [](void* f, Sim&, const std::string&) {
         char version[59] = {};
         EXPECT_EQ(As<int(char*)>(f)(version), -1);
       }},
      {"setBtKey_3DES", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(const unsigned char*)>(f)(nullptr), 0);
       }},
      {"Kestor_setBtKey_3DES", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), -1); }},
      {"ConnectBtDevice", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(const char*)>(f)(""), 0); }},
      {"ConnectBtDeviceTimeOut", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(const char*, int)>(f)(nullptr, 100), 0);
       }},
      {"DisConnectBtDevice", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 1); }},
      {"WriteBtDevice", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int(const char*, int)>(f)("x", 1), 0); }},
      {"ReadBtDevice", [](void* f, Sim&, const std::string&) {
         char buffer[8] = {};
         EXPECT_EQ(As<int(char*, int)>(f)(buffer, sizeof buffer), 0);
       }},
      {"Kestor_LT_BT_Handshake", [](void* f, Sim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 0); }},
      {"setBt3DESKey", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(const char*)>(f)("000102030405060708090A0B0C0D0E0F1"), 0x0F);
       }},
  };
}

// The rows above and those of the families' own tables: one row per export.
RowTable AllRows() {
  RowTable rows = Rows();
  for (const RowTable& family : {TimerAndPassportRows(), CipherRows(), AnswerRows()}) {
    for (const auto& row : family) EXPECT_TRUE(rows.insert(row).second) << row.first << " has two rows";
  }
  return rows;
}

TEST_F(EveryExport, AnswersAsItsRowSays) {
  ASSERT_TRUE(serial.IsAttached());
  auto rows = AllRows();
  std::set<std::string> listed;
  const std::string missing = folder.File("missing");
  for (const ExportLine& line : ReadExportList()) {
    SCOPED_TRACE(line.name);
    listed.insert(line.name);
    auto row = rows.find(line.name);
    if (row == rows.end()) {
      ADD_FAILURE() << "the export " << line.name
                    << " has no row in tests/exports/ (every_export_test.cpp or a family's table)";
      continue;
    }
    void* entry = EntryOf(line);
    ASSERT_TRUE(entry) << line.name << " is not exported";
    row->second(entry, sim, missing);
  }
  for (const auto& row : rows) EXPECT_TRUE(listed.count(row.first)) << row.first << " is not in the export list";
}

}  // namespace
