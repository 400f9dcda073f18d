#pragma once
// The port exports: opening and closing readers by port number, the serial rate, and the
// USB and HID reader selection.

#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL ZRT_OpenPort(int iPortID);
int VANTEL_STDCALL ZRT_ClosePort(int iPortID);
int VANTEL_STDCALL InitComm(int iPortID);
int VANTEL_STDCALL CloseComm();
int VANTEL_STDCALL ZRT_GetCOMBaud(int iPortID, int* baud);
int VANTEL_STDCALL ZRT_SetCOMBaud(int iPortID, int currentBaud, int newBaud);
int VANTEL_STDCALL ZRT_SetOpenCOMBaud(int baud);
int VANTEL_STDCALL FindAllUSB(int* usbFound, int* hidCount);
int VANTEL_STDCALL SelectUSB(int type);
int VANTEL_STDCALL InitZRTandHIDComm(int type);
int VANTEL_STDCALL CloseZRTandHIDComm(int type);

}  // extern "C"
