#pragma once
// The Bluetooth module's settings over HID and the direct RFCOMM link: their stdcall exports.

#include "library/exports/stdcall.h"

extern "C" {

// Settings over the HID link: 1 on the module's "V" answer, else 0, unless said otherwise.
int VANTEL_STDCALL UsbOpenBt();
int VANTEL_STDCALL UsbCloseBt();
// The answer's status byte, its data (up to 58 bytes, no terminator) in `out`; 0 without a
// good answer. `which` 0 the first address, > 0 the second.
int VANTEL_STDCALL ReadBtMac(unsigned char* out, int which);
int VANTEL_STDCALL Kestor_LT_BT_ChangeBtName(const char* name, int which);
// At most 8 characters.
int VANTEL_STDCALL setBtPin(const char* pin, int which);
// 1..255.
int VANTEL_STDCALL setBtSleep(unsigned value);
// Exactly 16 characters.
int VANTEL_STDCALL setSecretKey(const char* key);
// Port 8159 only (else -1): 0 on "V", -2 without a good answer, -3 another status.
int VANTEL_STDCALL Kestor_setBtClose();
int VANTEL_STDCALL Kestor_setBtNowSleep();
// Port 8159 only: 0 with the text (up to 58 bytes and a NUL) in `out`, else -1.
int VANTEL_STDCALL Kestor_GetBtName(char* out, int which);
int VANTEL_STDCALL Kestor_GetBtPin(char* out, int which);
// Port 8159 only: the sleep time, else -1.
int VANTEL_STDCALL Kestor_GetBtSleep();
// Port 8159 only: 0 with "major.minor.build" in `out` (12 bytes), else -1.
int VANTEL_STDCALL Kestor_GetCardVersion(char* out);
int VANTEL_STDCALL Kestor_GetBtDevVersion(char* out);
// The 16-byte value enciphered under the SAM id of the current port.
int VANTEL_STDCALL setBtKey_3DES(const unsigned char* value16);
// setBtKey_3DES of the SAM id last read over HID: 0, or -1 and that id cleared.
int VANTEL_STDCALL Kestor_setBtKey_3DES();

// The RFCOMM link to a module's serial-port service: 1 or 0. The address is hex text.
int VANTEL_STDCALL ConnectBtDevice(const char* address);
int VANTEL_STDCALL ConnectBtDeviceTimeOut(const char* address, int timeoutMs);
int VANTEL_STDCALL DisConnectBtDevice();
int VANTEL_STDCALL WriteBtDevice(const char* data, int len);
int VANTEL_STDCALL ReadBtDevice(char* buf, int size);
int VANTEL_STDCALL Kestor_LT_BT_Handshake();
// The 16th two-digit pair of text longer than 32 characters, else 0; nothing is stored.
int VANTEL_STDCALL setBt3DESKey(const char* hexText);

}  // extern "C"
