// The JSON answer exports and the "|" text card read.
#include "library/answers/device_operations.h"
#include "library/answers/library_card_answers.h"
#include "library/exports/stdcall.h"

extern "C" {

void VANTEL_STDCALL dxconnect(char* out) { vantel::dxconnect(out); }
void VANTEL_STDCALL dxdisconnect(char* out) { vantel::dxdisconnect(out); }
void VANTEL_STDCALL dxgetStatus(char* out) { vantel::dxgetStatus(out); }
void VANTEL_STDCALL dxgetVersion(char* out) { vantel::dxgetVersion(out); }
void VANTEL_STDCALL readICCardSN(char* out) { vantel::readICCardSN(out); }
void VANTEL_STDCALL readIDCardSN(char* out) { vantel::readIDCardSN(out); }
void VANTEL_STDCALL dxgetSAMID(char* out) { vantel::dxgetSAMID(out); }
void VANTEL_STDCALL dxgetSAMIDStr(char* out) { vantel::dxgetSAMIDStr(out); }
void VANTEL_STDCALL dxReadICCardSN(char* out) { vantel::dxReadICCardSN(out); }
void VANTEL_STDCALL readM1Card(const char* SID, const char* BID, const char* KEYTYPE,
                               const char* KEY, char* out) {
  vantel::readM1Card(SID, BID, KEYTYPE, KEY, out);
}
void VANTEL_STDCALL writeM1Card(const char* SID, const char* BID, const char* KEYTYPE,
                                const char* KEY, const char* DATA, char* out) {
  vantel::writeM1Card(SID, BID, KEYTYPE, KEY, DATA, out);
}
void VANTEL_STDCALL handleAPDUCMD(const char* APDUCMD, char* out) {
  vantel::handleAPDUCMD(APDUCMD, out);
}
void VANTEL_STDCALL dxKestor_Mute(int flag, char* out) { vantel::dxKestor_Mute(flag, out); }
void VANTEL_STDCALL dxKestor_RepeatRead(int flag, char* out) {
  vantel::dxKestor_RepeatRead(flag, out);
}

int VANTEL_STDCALL readCard(char* out, int* outLen) { return vantel::readCard(out, outLen); }
int VANTEL_STDCALL readCert(char* out, int* outLen) { return vantel::readCert(out, outLen); }
int VANTEL_STDCALL Kestor_ReadAllTypeCardInfos(int iPortID, char* out, const char* folder) {
  return vantel::Kestor_ReadAllTypeCardInfos(iPortID, out, folder);
}

}  // extern "C"
