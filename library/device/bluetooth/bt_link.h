#pragma once
// The direct RFCOMM link from the PC to a Bluetooth reader's serial-port service: connect,
// send, receive, disconnect and the handshake. The calls report 1 or 0.
#include <cstdint>

namespace vantel {

constexpr int kDefaultBtReceiveTimeoutMs = 5000;

// Hex text, most significant digit first: "0"-"9" give their value and any other character
// its upper-case code minus 55 ("A"-"F" 10..15, a colon 3), unchecked, modulo 2^64.
std::uint64_t BtAddressFromText(const char* text);

// ConnectBtDevice and ConnectBtDeviceTimeOut: a new link replaces (and closes) the old one.
int ConnectBtDevice(const char* address, int receiveTimeoutMs);
int DisconnectBtDevice();                   // DisConnectBtDevice: always 1
int WriteBtDevice(const char* data, int length);  // all bytes sent: 1
int ReadBtDevice(char* buffer, int size);   // one receive that did not fail: 1
int BtHandshake();                          // Kestor_LT_BT_Handshake
// setBt3DESKey: the 16th two-digit pair of text longer than 32 characters, else 0; nothing
// is stored.
int SetBt3DesKey(const char* hexText);

}  // namespace vantel
