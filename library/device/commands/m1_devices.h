#pragma once
// The M1 interface's device table (device numbers 1..256, the COM port number) and the
// contactless card's serial as text.

namespace vantel {

int DcInit(int port);         // dc_init: the device number, or -1
int DcExit(int deviceNumber);  // dc_exit: 0, or -1
// `out` holds 16 bytes; 1 with the serial as upper-case hex, else 0.
int IcHlReadCardSn(char* out);  // Kestor_IC_HL_ReadCardSN

}  // namespace vantel
