// The M1 card and contactless card exports.
#include "library/device/m1_card.h"
#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL Kestor_IC_HL_ReadCard(int sector, int block, int keyType,
                                         const unsigned char* key, unsigned char* out) {
  return vantel::ReadM1Block(sector, block, keyType, key, out);
}

}  // extern "C"
