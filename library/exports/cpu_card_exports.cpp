// The CPU card, APDU and PSAM exports.
#include "library/device/apdu.h"
#include "library/device/cpu_card.h"
#include "library/device/psam.h"
#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL Kestor_CPUCard_Active() { return vantel::ActivateCpuCard(); }
int VANTEL_STDCALL Kestor_CPUCard_PowerOFF() { return vantel::PowerOffCpuCard(); }
int VANTEL_STDCALL Kestor_CPUCard_ATS(unsigned char* ats, int* atsLen) {
  return vantel::ReadCpuCardAts(ats, atsLen);
}
int VANTEL_STDCALL Kestor_CPUCard_PPS(int p1, int p2) { return vantel::SetCpuCardPps(p1, p2); }
int VANTEL_STDCALL Kestor_APDU(const char* hexText, unsigned char* out, int* outLen) {
  return vantel::SendApdu(hexText, out, outLen);
}

int VANTEL_STDCALL Kestor_PSAMCard_ATRS(int slot, unsigned rate, int mode, unsigned char* atr,
                                        int* atrLen) {
  return vantel::PsamCardAtr(slot, rate, mode, atr, atrLen);
}
int VANTEL_STDCALL Kestor_PSAMCard_SendCmd(const char* hexText, unsigned char* out, int* outLen) {
  return vantel::PsamCardSendCmd(hexText, out, outLen);
}
int VANTEL_STDCALL Kestor_PSAMCard_PowerOFF() { return vantel::PsamCardPowerOff(); }

int VANTEL_STDCALL PSAM_FunTest() { return vantel::PsamFunTest(); }
int VANTEL_STDCALL PSAM_ReadATR(int slot, int rate, int mode, unsigned char* atr16) {
  return vantel::PsamReadAtr(slot, rate, mode, atr16);
}
int VANTEL_STDCALL PSAM_SendCMD(int slot, const unsigned char* data, int len,
                                unsigned char* answer20) {
  return vantel::PsamSendCmd(slot, data, len, answer20);
}
int VANTEL_STDCALL PSAM_PowerOff(int slot) { return vantel::PsamPowerOff(slot); }

}  // extern "C"
