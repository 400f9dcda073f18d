#pragma once
// How the answer layer reaches the reader: the library fills this table with its own
// exports, the service with the same names imported from the library.
#include "library/exports/stdcall.h"

namespace vantel {

struct ReaderEntries {
  int(VANTEL_STDCALL* InitComm)(int port);
  int(VANTEL_STDCALL* CloseComm)();
  int(VANTEL_STDCALL* ZRT_GetSAMID)(int port, unsigned char* samId, int openFirst);
  int(VANTEL_STDCALL* Kestor_IC_HL_ReadCardSN)(char* out);
  int(VANTEL_STDCALL* ReadIINSNDN)(char* out);
  int(VANTEL_STDCALL* Kestor_IC_FindCard)();
  int(VANTEL_STDCALL* Kestor_IC_HL_ReadCard)(int sector, int block, int keyType,
                                             const unsigned char* key, unsigned char* out);
  int(VANTEL_STDCALL* Kestor_IC_HL_WriteCard)(int sector, int block, int keyType,
                                              const unsigned char* key, const unsigned char* data);
  int(VANTEL_STDCALL* Kestor_CPUCard_Active)();
  int(VANTEL_STDCALL* Kestor_APDU)(const char* hexText, unsigned char* out, int* outLen);
  int(VANTEL_STDCALL* Kestor_Mute)(int flag);
  int(VANTEL_STDCALL* Kestor_RepeatRead)(int flag);

  // What differs by build.
  int (*CurrentPort)();      // the port ZRT_GetSAMID is given
  bool (*UseHid)();          // open the HID reader (8159) instead of 1001
  void (*DoubleBeep)();      // after a card serial or block was read
  void (*Log)(const char* format, ...);
};

// The one table of this build.
const ReaderEntries& Entries();

}  // namespace vantel
