#pragma once
// The reader's Bluetooth module settings, sent over the HID link as vendor frames (one output
// report each): switching the module, name, PIN, sleep time, keys, versions and the MAC
// address. The exports' names follow each function.
#include <cstdint>

namespace vantel {

// The most data bytes one answer carries (a 64-byte report less the frame around them): the
// room ReadBtMac writes into; the text getters write one NUL more.
constexpr int kBtAnswerDataCapacity = 58;

int UsbOpenBt();                                    // UsbOpenBt
int UsbCloseBt();                                   // UsbCloseBt
int ReadBtMac(unsigned char* out, int which);       // ReadBtMac
int ChangeBtName(const char* name, int which);      // Kestor_LT_BT_ChangeBtName
int SetBtPin(const char* pin, int which);           // setBtPin
int SetBtSleep(unsigned value);                     // setBtSleep
int SetSecretKey(const char* key);                  // setSecretKey
int SetBtClose();                                   // Kestor_setBtClose
int SetBtNowSleep();                                // Kestor_setBtNowSleep
int GetBtName(char* out, int which);                // Kestor_GetBtName
int GetBtPin(char* out, int which);                 // Kestor_GetBtPin
int GetBtSleep();                                   // Kestor_GetBtSleep
// `out` holds 12 bytes ("255.255.255" and a NUL).
int GetCardVersion(char* out);                      // Kestor_GetCardVersion
int GetBtDevVersion(char* out);                     // Kestor_GetBtDevVersion
// The 16-byte value enciphered under the SAM id (two-key 3DES, ECB).
int SetBtKey3Des(const unsigned char* value16);     // setBtKey_3DES
int SetBtKey3DesFromHidSamId();                     // Kestor_setBtKey_3DES

}  // namespace vantel
