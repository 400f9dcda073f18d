#pragma once
// Versions and model, the LED and beeper, sleep and power settings, the battery level and
// the parameters of two-USB-device readers. The exports' names follow each function.
#include <cstdint>

namespace vantel {

int GetTarnVersion(std::uint8_t* out);  // Kestor_GetTarnVersion: out[3] major, minor, build
// `out` holds 12 bytes ("255.255.255" and a NUL).
int GetMainVersion(char* out);          // Kestor_GetMainVersion
int GetKvnType();                       // Kestor_GetKvnType
int BeepLed(int first, int second, int milliseconds);     // Kestor_BeepLED
int HidBeepLed(int first, int second, int milliseconds);  // HID_BeepLED
int SetStandbySleep(int seconds);       // Kestor_setStandbySleep
int GetStandbySleep();                  // Kestor_GetStandbySleep
int SetLongPressedOff(unsigned value);  // Kestor_setLongPressedOFF
int GetLongPressedOff();                // Kestor_GetLongPressedOFF
int GetBtDevBatteryPower();             // Kestor_GetBtDevBatteryPower
int KvnVeldPowerOff();                  // Kestor_KVNVeld_PowerOFF
// `out` holds 252 bytes (the data of the longest answer).
int TwoUsbDevGetParam(int param, std::uint8_t* out, int* outLen);        // Kestor_2UsbDev_GetParam
int TwoUsbDevSetParam(int param, const std::uint8_t* data, int len);    // Kestor_2UsbDev_SetParam

}  // namespace vantel
