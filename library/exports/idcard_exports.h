#pragma once
// The identity-card exports that the service imports: the card's authentication (search and
// select) and the base-message read.

#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL Authenticate();
int VANTEL_STDCALL ZRT_ReadBaseMsg(int iPortID, unsigned char* text, unsigned* puiCHMsgLen,
                                   unsigned char* photo, unsigned* puiPHMsgLen, int iIfOpen);

}  // extern "C"
