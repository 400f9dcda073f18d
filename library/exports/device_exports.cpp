// The reader's own commands, device settings and versions, the setting exports and the
// M1 interface's device table.
#include <cstdint>

#include "library/device/commands/device_commands.h"
#include "library/device/commands/device_settings.h"
#include "library/device/commands/m1_devices.h"
#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL Kestor_StartFindIDCard(unsigned char* cardType) {
  return vantel::FindContactlessCard(cardType);
}
int VANTEL_STDCALL Kestor_ReadBaseMsg(unsigned char* out, int* outLen) {
  return vantel::ReadContactlessSerial(out, outLen);
}
int VANTEL_STDCALL Kestor_SetNewVersion(int flag) { return vantel::SetNewVersion(flag); }
int VANTEL_STDCALL Kestor_SetTarnUpdate() { return vantel::SetTarnUpdate(); }
int VANTEL_STDCALL Kestor_ShutDownAntenna() { return vantel::ShutDownAntenna(); }
int VANTEL_STDCALL Kestor_Samv_Comm_MaxLen(int n) { return vantel::SamvCommMaxLen(n); }
int VANTEL_STDCALL Kestor_LED_BEEP_Control(int first, int second) {
  return vantel::LedBeepControl(first, second);
}
int VANTEL_STDCALL Kestor_ReadIINSNDN(char* text) { return vantel::ReadManagementNumber(text); }
int VANTEL_STDCALL Kestor_SDCard_Write(const char* name, const unsigned char* data, unsigned len) {
  return vantel::SdCardWrite(name, data, len);
}
int VANTEL_STDCALL Kestor_SDCard_Read(const char* name, unsigned count, unsigned char* out,
                                      unsigned* outLen) {
  return vantel::SdCardRead(name, count, out, outLen);
}
int VANTEL_STDCALL Kestor_PowerLED_Color(int colour) { return vantel::PowerLedColor(colour); }
int VANTEL_STDCALL Kestor_SerialTypeACMD(int cmd, const unsigned char* data, int len,
                                         unsigned char* out, int* outLen) {
  return vantel::SerialTypeACmd(cmd, data, len, out, outLen);
}

int VANTEL_STDCALL Kestor_Mute(int flag) { return vantel::SetMute(flag); }
int VANTEL_STDCALL Kestor_RepeatRead(int flag) { return vantel::SetRepeatRead(flag); }
int VANTEL_STDCALL Kestor_IsSaveWlt(int flag) { return vantel::SetSaveWlt(flag); }
int VANTEL_STDCALL Kestor_SetComtimeout(int milliseconds) {
  return vantel::SetComTimeout(milliseconds);
}
int VANTEL_STDCALL Kestor_isComBase64() { return vantel::IsComBase64(); }
// A diagnostic entry: the caller cleans the stack.
int Kestor_Any_Function(const char* name, int* out, int argv1, int argv2, const char* argv3) {
  return vantel::AnyFunction(name, out, argv1, argv2, argv3);
}

int VANTEL_STDCALL Kestor_GetTarnVersion(unsigned char* out) { return vantel::GetTarnVersion(out); }
int VANTEL_STDCALL Kestor_GetMainVersion(char* out) { return vantel::GetMainVersion(out); }
int VANTEL_STDCALL Kestor_GetKvnType() { return vantel::GetKvnType(); }
int VANTEL_STDCALL Kestor_BeepLED(int first, int second, int milliseconds) {
  return vantel::BeepLed(first, second, milliseconds);
}
int VANTEL_STDCALL HID_BeepLED(int first, int second, int milliseconds) {
  return vantel::HidBeepLed(first, second, milliseconds);
}
int VANTEL_STDCALL Kestor_setStandbySleep(int seconds) { return vantel::SetStandbySleep(seconds); }
int VANTEL_STDCALL Kestor_GetStandbySleep() { return vantel::GetStandbySleep(); }
int VANTEL_STDCALL Kestor_setLongPressedOFF(unsigned value) {
  return vantel::SetLongPressedOff(value);
}
int VANTEL_STDCALL Kestor_GetLongPressedOFF() { return vantel::GetLongPressedOff(); }
int VANTEL_STDCALL Kestor_GetBtDevBatteryPower() { return vantel::GetBtDevBatteryPower(); }
int VANTEL_STDCALL Kestor_KVNVeld_PowerOFF() { return vantel::KvnVeldPowerOff(); }
int VANTEL_STDCALL Kestor_2UsbDev_GetParam(int param, unsigned char* out, int* outLen) {
  return vantel::TwoUsbDevGetParam(param, out, outLen);
}
int VANTEL_STDCALL Kestor_2UsbDev_SetParam(int param, const unsigned char* data, int len) {
  return vantel::TwoUsbDevSetParam(param, data, len);
}

int VANTEL_STDCALL Kestor_IC_HL_ReadCardSN(char* out) { return vantel::IcHlReadCardSn(out); }
int VANTEL_STDCALL dc_init(int port, int /*notRead*/) { return vantel::DcInit(port); }
int VANTEL_STDCALL dc_exit(int deviceNumber) { return vantel::DcExit(deviceNumber); }

}  // extern "C"
