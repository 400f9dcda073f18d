// The M1 card and contactless card exports.
#include "library/cards/contactless_card.h"
#include "library/device/dc_commands.h"
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

int VANTEL_STDCALL dc_request(int device, int mode, int* cardType) {
  return vantel::DcRequest(device, mode, cardType);
}
int VANTEL_STDCALL dc_anticoll(int device, int bitCount, unsigned char* serial) {
  return vantel::DcAnticoll(device, bitCount, serial);
}
int VANTEL_STDCALL dc_select(int device, unsigned serial, unsigned char* /*notRead*/) {
  return vantel::DcSelect(device, serial);
}
int VANTEL_STDCALL dc_authentication_passaddr(int device, int keyType, unsigned address,
                                              const unsigned char* key) {
  return vantel::DcAuthenticationPassaddr(device, keyType, address, key);
}
int VANTEL_STDCALL dc_read(int device, unsigned address, unsigned char* out) {
  return vantel::DcRead(device, address, out);
}
int VANTEL_STDCALL dc_write(int device, unsigned address, const unsigned char* data) {
  return vantel::DcWrite(device, address, data);
}
int VANTEL_STDCALL dc_halt(int device) { return vantel::DcHalt(device); }
int VANTEL_STDCALL dc_BeepLED(int device, int first, int second, int milliseconds) {
  return vantel::DcBeepLed(device, first, second, milliseconds);
}

}  // extern "C"
