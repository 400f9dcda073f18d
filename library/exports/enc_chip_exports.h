#pragma once
// The SM3 and SM4 exports and the encryption chip's exports (see enc_chip_commands.h for the
// result codes). Kestor_SM3 gives 1 on success and 0 for a null argument or a negative len;
// the SM4 exports encipher whole blocks, the last zero-padded: out receives the length rounded
// up to 16; Kestor_SM4_CBC gives 0, or -2 for a null argument. Kestor_UpgradeEncChip gives
// -23 and sends nothing while the chip maker's firmware table is not known.
// Kestor_EncChipReadBaseMsg copies at most 2321 bytes into data, the SAM's largest
// base-message answer (the one with fingerprint): a caller sizes data for that. An answer
// stating a longer message gives -5 and nothing is copied, into any of its buffers.
#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL Kestor_SM3(const void* data, int len, unsigned char* out32);
void VANTEL_STDCALL Kestor_SM4_ECB(int mode, const unsigned char* key16, const unsigned char* in, int len,
                                   unsigned char* out);
int VANTEL_STDCALL Kestor_SM4_CBC(int mode, const unsigned char* key16, unsigned char* iv16, const unsigned char* in,
                                  int len, unsigned char* out);
int VANTEL_STDCALL Kestor_GetEncChipID(unsigned char* out);
int VANTEL_STDCALL Kestor_GetChipRandom(unsigned char* out, int n);
int VANTEL_STDCALL Kestor_GetChipSM4(unsigned mode, const unsigned char* key16, const unsigned char* iv16,
                                     const unsigned char* data, unsigned len, unsigned char* out, int* outLen);
int VANTEL_STDCALL Kestor_GetChipSM3(unsigned mode, const unsigned char* data, unsigned len, unsigned char* out);
int VANTEL_STDCALL Kestor_EncChipInit(const unsigned char* value8);
int VANTEL_STDCALL Kestor_UpateEncChipKey(int index, const unsigned char* w8, const unsigned char* key16,
                                          const unsigned char* newKey16);
int VANTEL_STDCALL Kestor_UpateNewChipKey(const unsigned char* w8, const unsigned char* data16,
                                          const unsigned char* data32);
int VANTEL_STDCALL Kestor_GetEncChipKey(int index, const char* w8, unsigned char* out16);
int VANTEL_STDCALL Kestor_UpgradeEncChip();
int VANTEL_STDCALL Kestor_EncChipReadBaseMsg(unsigned char* out32, unsigned char* data, int* dataLen,
                                             unsigned char* out16);

}  // extern "C"
