#include "library/exports/bluetooth_exports.h"

#include "library/device/bluetooth/bt_link.h"
#include "library/device/bluetooth/bt_settings.h"

extern "C" {

int VANTEL_STDCALL UsbOpenBt() { return vantel::UsbOpenBt(); }
int VANTEL_STDCALL UsbCloseBt() { return vantel::UsbCloseBt(); }
int VANTEL_STDCALL ReadBtMac(unsigned char* out, int which) { return vantel::ReadBtMac(out, which); }
int VANTEL_STDCALL Kestor_LT_BT_ChangeBtName(const char* name, int which) {
  return vantel::ChangeBtName(name, which);
}
int VANTEL_STDCALL setBtPin(const char* pin, int which) { return vantel::SetBtPin(pin, which); }
int VANTEL_STDCALL setBtSleep(unsigned value) { return vantel::SetBtSleep(value); }
int VANTEL_STDCALL setSecretKey(const char* key) { return vantel::SetSecretKey(key); }
int VANTEL_STDCALL Kestor_setBtClose() { return vantel::SetBtClose(); }
int VANTEL_STDCALL Kestor_setBtNowSleep() { return vantel::SetBtNowSleep(); }
int VANTEL_STDCALL Kestor_GetBtName(char* out, int which) { return vantel::GetBtName(out, which); }
int VANTEL_STDCALL Kestor_GetBtPin(char* out, int which) { return vantel::GetBtPin(out, which); }
int VANTEL_STDCALL Kestor_GetBtSleep() { return vantel::GetBtSleep(); }
int VANTEL_STDCALL Kestor_GetCardVersion(char* out) { return vantel::GetCardVersion(out); }
int VANTEL_STDCALL Kestor_GetBtDevVersion(char* out) { return vantel::GetBtDevVersion(out); }
int VANTEL_STDCALL setBtKey_3DES(const unsigned char* value16) { return vantel::SetBtKey3Des(value16); }
int VANTEL_STDCALL Kestor_setBtKey_3DES() { return vantel::SetBtKey3DesFromHidSamId(); }

int VANTEL_STDCALL ConnectBtDevice(const char* address) {
  return vantel::ConnectBtDevice(address, vantel::kDefaultBtReceiveTimeoutMs);
}
int VANTEL_STDCALL ConnectBtDeviceTimeOut(const char* address, int timeoutMs) {
  return vantel::ConnectBtDevice(address, timeoutMs);
}
int VANTEL_STDCALL DisConnectBtDevice() { return vantel::DisconnectBtDevice(); }
int VANTEL_STDCALL WriteBtDevice(const char* data, int len) { return vantel::WriteBtDevice(data, len); }
int VANTEL_STDCALL ReadBtDevice(char* buf, int size) { return vantel::ReadBtDevice(buf, size); }
int VANTEL_STDCALL Kestor_LT_BT_Handshake() { return vantel::BtHandshake(); }
int VANTEL_STDCALL setBt3DESKey(const char* hexText) { return vantel::SetBt3DesKey(hexText); }

}  // extern "C"
