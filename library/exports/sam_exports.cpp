// The SAM exports that do not read a card.
#include "library/device/sam_commands.h"
#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL ZRT_GetSAMStatus(int iPortID, int iIfOpen) {
  return vantel::GetSamStatus(iPortID, iIfOpen);
}
int VANTEL_STDCALL ZRT_ResetSAM(int iPortID, int iIfOpen) { return vantel::ResetSam(iPortID, iIfOpen); }
int VANTEL_STDCALL ZRT_GetSAMID(int iPortID, unsigned char* samId, int iIfOpen) {
  return vantel::GetSamId(iPortID, samId, iIfOpen);
}
int VANTEL_STDCALL ZRT_ReadNewAppMsg(int iPortID, unsigned char* out, unsigned* outLen, int iIfOpen) {
  return vantel::ReadNewAppMsg(iPortID, out, outLen, iIfOpen);
}
int VANTEL_STDCALL ZRT_ReadMngInfo(int iPortID, unsigned char* out, int iIfOpen) {
  return vantel::ReadMngInfo(iPortID, out, iIfOpen);
}
int VANTEL_STDCALL ZRT_SetMaxRFByte(int iPortID, int n, int iIfOpen) {
  return vantel::SetMaxRfByte(iPortID, n, iIfOpen);
}

}  // extern "C"
