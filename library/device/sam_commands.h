#pragma once
// The SAM commands that do not read a card: status, reset, SAM id, new address,
// management information and the RF frame size. Each returns the answer's SW3 (144 =
// success) or one of the library's small failure codes.

namespace vantel {

int GetSamStatus(int port, int openFirst);
int ResetSam(int port, int openFirst);
// `out` receives the 16 bytes of the SAM id.
int GetSamId(int port, unsigned char* out, int openFirst);
int ReadNewAppMsg(int port, unsigned char* out, unsigned* outLength, int openFirst);
int ReadMngInfo(int port, unsigned char* out, int openFirst);
int SetMaxRfByte(int port, int size, int openFirst);

}  // namespace vantel
