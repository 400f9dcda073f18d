// Every export of the export list, called by its name against a reader simulator on a serial
// line: a row per export says what a call must give. A swapped argument in an entry point
// changes a result or a request on the wire. A new export needs a row here.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "exports_library.h"
#include "support/reader_sim.h"
#include "support/reader_sim_serial.h"
#include "support/temp_folder.h"

namespace {

using vantel_test::Bytes;
using vantel_test::SamAnswer;
using vantel_test::SamRequest;

constexpr int kPort = 11;  // the exports program's own line
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

// Calls `entry` as the stdcall function of type Signature.
template <typename Signature>
auto As(void* entry) {
  return reinterpret_cast<Signature VANTEL_STDCALL*>(entry);
}

Bytes LastRequest(vantel_test::ReaderSim& sim) {
  std::vector<Bytes> requests = sim.Requests();
  return requests.empty() ? Bytes{} : requests.back();
}

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
      {"dc_exit", [](void* f, Sim&, const std::string&) {
         EXPECT_EQ(As<int(int)>(f)(kPort), 0);
         EXPECT_EQ(As<int(int)>(f)(257), -1);
       }},
  };
}

TEST_F(EveryExport, AnswersAsItsRowSays) {
  ASSERT_TRUE(serial.IsAttached());
  auto rows = Rows();
  std::set<std::string> listed;
  const std::string missing = folder.File("missing");
  for (const ExportLine& line : ReadExportList()) {
    SCOPED_TRACE(line.name);
    listed.insert(line.name);
    auto row = rows.find(line.name);
    if (row == rows.end()) {
      ADD_FAILURE() << "the export " << line.name
                    << " has no row in the table of tests/exports/every_export_test.cpp";
      continue;
    }
    void* entry = EntryOf(line);
    ASSERT_TRUE(entry) << line.name << " is not exported";
    row->second(entry, sim, missing);
  }
  for (const auto& row : rows) EXPECT_TRUE(listed.count(row.first)) << row.first << " is not in the export list";
}

}  // namespace
