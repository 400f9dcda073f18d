// The M1 card and contactless card exports.
#include "library/cards/contactless_card.h"
#include "library/device/m1_card.h"
#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL Kestor_IC_FindCard() { return vantel::FindIcCard(); }
int VANTEL_STDCALL Kestor_IC_HL_WriteCard(int sid, int bid, int keyType, const unsigned char* key,
                                          const unsigned char* data) {
  return vantel::WriteM1Block(sid, bid, keyType, key, data);
}
int VANTEL_STDCALL ReadIINSNDN(char* out) { return vantel::ReadIinsndn(out); }

int VANTEL_STDCALL Kestor_IC_HL_ReadCard(int sector, int block, int keyType,
                                         const unsigned char* key, unsigned char* out) {
  return vantel::ReadM1Block(sector, block, keyType, key, out);
}

}  // extern "C"
