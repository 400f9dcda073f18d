#pragma once
// The library exports the answer layer calls. Inside the library they are its own
// functions; the service imports the same names from the library.
#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL InitComm(int iPortID);
int VANTEL_STDCALL CloseComm();
int VANTEL_STDCALL ZRT_GetSAMID(int iPortID, unsigned char* samId, int iIfOpen);
int VANTEL_STDCALL Kestor_IC_HL_ReadCardSN(char* out);
int VANTEL_STDCALL ReadIINSNDN(char* out);
int VANTEL_STDCALL Kestor_IC_FindCard();
int VANTEL_STDCALL Kestor_IC_HL_ReadCard(int sector, int block, int keyType,
                                         const unsigned char* key, unsigned char* out);
int VANTEL_STDCALL Kestor_IC_HL_WriteCard(int sid, int bid, int keyType, const unsigned char* key,
                                          const unsigned char* data);
int VANTEL_STDCALL Kestor_CPUCard_Active();
int VANTEL_STDCALL Kestor_APDU(const char* hexText, unsigned char* out, int* outLen);
int VANTEL_STDCALL Kestor_Mute(int flag);
int VANTEL_STDCALL Kestor_RepeatRead(int flag);

}  // extern "C"

// The first fields of a ReaderEntries table, in its order; the build adds what differs.
#define VANTEL_READER_FUNCTIONS                                                              \
  ::InitComm, ::CloseComm, ::ZRT_GetSAMID, ::Kestor_IC_HL_ReadCardSN, ::ReadIINSNDN,          \
      ::Kestor_IC_FindCard, ::Kestor_IC_HL_ReadCard, ::Kestor_IC_HL_WriteCard,                \
      ::Kestor_CPUCard_Active, ::Kestor_APDU, ::Kestor_Mute, ::Kestor_RepeatRead
