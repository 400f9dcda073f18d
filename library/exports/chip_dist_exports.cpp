// The encryption chip's base message distributed into files and the caller's fields.
#include "library/exports/chip_dist_exports.h"

#include "library/cards/chip_base_msg_dist.h"

extern "C" {

int VANTEL_STDCALL Kestor_ChipReadBaseMsgDist(const unsigned char* blob, int /*unused*/, char* name,
                                              char* gender, char* nation, char* birthDate,
                                              char* idNumber, char* address, char* authority,
                                              char* startDate, char* endDate, const char* folder,
                                              unsigned char* fingerprint,
                                              unsigned* fingerprintLen) {
  char* const fields[] = {name,    gender,    nation,    birthDate, idNumber,
                          address, authority, startDate, endDate};
  return vantel::ChipReadBaseMsgDist(blob, fields, folder, fingerprint, fingerprintLen);
}

}  // extern "C"
