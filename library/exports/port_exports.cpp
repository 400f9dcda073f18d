#include "library/exports/port_exports.h"

#include "library/device/port_api.h"

extern "C" {

int VANTEL_STDCALL ZRT_OpenPort(int iPortID) { return vantel::OpenPort(iPortID); }
int VANTEL_STDCALL ZRT_ClosePort(int iPortID) { return vantel::ClosePort(iPortID); }
int VANTEL_STDCALL InitComm(int iPortID) { return vantel::InitComm(iPortID); }
int VANTEL_STDCALL CloseComm() { return vantel::CloseComm(); }
int VANTEL_STDCALL ZRT_GetCOMBaud(int iPortID, int* baud) { return vantel::GetComBaud(iPortID, baud); }
int VANTEL_STDCALL ZRT_SetCOMBaud(int iPortID, int currentBaud, int newBaud) {
  return vantel::SetComBaud(iPortID, currentBaud, newBaud);
}
int VANTEL_STDCALL ZRT_SetOpenCOMBaud(int baud) { return vantel::SetOpenComBaud(baud); }
int VANTEL_STDCALL FindAllUSB(int* usbFound, int* hidCount) {
  return vantel::FindAllUsb(usbFound, hidCount);
}
int VANTEL_STDCALL SelectUSB(int type) { return vantel::SelectUsb(type); }
int VANTEL_STDCALL InitZRTandHIDComm(int type) { return vantel::InitZrtAndHidComm(type); }
int VANTEL_STDCALL CloseZRTandHIDComm(int type) { return vantel::CloseZrtAndHidComm(type); }

}  // extern "C"
