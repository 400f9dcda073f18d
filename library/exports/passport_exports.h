#pragma once
// The e-passport exports: 1 when a passport chip answers, and its Basic Access Control and
// reads (0 success, -1 to -16 by step, -17 no PC/SC passport application, -18 the MRZ is not
// one 44-character line, -19 no random values).
#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL Kestor_FindPassport();
int VANTEL_STDCALL Kestor_ReadPassport(int first, const char* mrz, int third);

}  // extern "C"
