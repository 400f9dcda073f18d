// The SM3 and SM4 exports over the library's primitives, and the encryption chip's exports.
#include "library/exports/enc_chip_exports.h"

#include "library/device/crypto/sm_buffers.h"
#include "library/device/enc_chip/enc_chip_commands.h"

extern "C" {

int VANTEL_STDCALL Kestor_SM3(const void* data, int len, unsigned char* out32) {
  return vantel::Sm3Buffer(data, len, out32);
}
void VANTEL_STDCALL Kestor_SM4_ECB(int mode, const unsigned char* key16, const unsigned char* in, int len,
                                   unsigned char* out) {
  vantel::Sm4EcbBuffer(mode, key16, in, len, out);
}
int VANTEL_STDCALL Kestor_SM4_CBC(int mode, const unsigned char* key16, unsigned char* iv16, const unsigned char* in,
                                  int len, unsigned char* out) {
  return vantel::Sm4CbcBuffer(mode, key16, iv16, in, len, out);
}
int VANTEL_STDCALL Kestor_GetEncChipID(unsigned char* out) { return vantel::GetEncChipId(out); }
int VANTEL_STDCALL Kestor_GetChipRandom(unsigned char* out, int n) { return vantel::GetChipRandom(out, n); }
int VANTEL_STDCALL Kestor_GetChipSM4(unsigned mode, const unsigned char* key16, const unsigned char* iv16,
                                     const unsigned char* data, unsigned len, unsigned char* out, int* outLen) {
  return vantel::GetChipSm4(mode, key16, iv16, data, len, out, outLen);
}
int VANTEL_STDCALL Kestor_GetChipSM3(unsigned mode, const unsigned char* data, unsigned len, unsigned char* out) {
  return vantel::GetChipSm3(mode, data, len, out);
}
int VANTEL_STDCALL Kestor_EncChipInit(const unsigned char* value8) { return vantel::EncChipInit(value8); }
int VANTEL_STDCALL Kestor_UpateEncChipKey(int index, const unsigned char* w8, const unsigned char* key16,
                                          const unsigned char* newKey16) {
  return vantel::UpdateEncChipKey(index, w8, key16, newKey16);
}
int VANTEL_STDCALL Kestor_UpateNewChipKey(const unsigned char* w8, const unsigned char* data16,
                                          const unsigned char* data32) {
  return vantel::UpdateNewChipKey(w8, data16, data32);
}
int VANTEL_STDCALL Kestor_GetEncChipKey(int index, const char* w8, unsigned char* out16) {
  return vantel::GetEncChipKey(index, w8, out16);
}
int VANTEL_STDCALL Kestor_UpgradeEncChip() { return vantel::UpgradeEncChip(); }
int VANTEL_STDCALL Kestor_EncChipReadBaseMsg(unsigned char* out32, unsigned char* data, int* dataLen,
                                             unsigned char* out16) {
  return vantel::EncChipReadBaseMsg(out32, data, dataLen, out16);
}

}  // extern "C"
