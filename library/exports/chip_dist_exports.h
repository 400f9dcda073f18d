#pragma once
// The encryption chip's base message distributed into files and the caller's fields (see
// chip_base_msg_dist.h for the result codes: 0 success, -2 a null pointer). The blob has no
// length argument: at most 16 + 256 + 1024 + 1024 bytes are read from it, whatever its
// lengths say. The second argument is not used.
#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL Kestor_ChipReadBaseMsgDist(const unsigned char* blob, int unused, char* name,
                                              char* gender, char* nation, char* birthDate,
                                              char* idNumber, char* address, char* authority,
                                              char* startDate, char* endDate, const char* folder,
                                              unsigned char* fingerprint,
                                              unsigned* fingerprintLen);

}  // extern "C"
