#pragma once
// The SAM commands that do not read a card: status, reset, SAM id, new address,
// management information and the RF frame size. Each returns the answer's SW3 (144 =
// success) or one of the library's small failure codes. Except on PC/SC, an answer that lacks
// the data its command hands out is failure 3: the caller gets only bytes the answer carried.

namespace vantel {

int GetSamStatus(int port, int openFirst);
int ResetSam(int port, int openFirst);
// `out` receives the 16 bytes of the SAM id.
int GetSamId(int port, unsigned char* out, int openFirst);
// `out` (280 bytes) receives the record, *outLength its length; on HID a record longer than
// one report is gathered from the reports that follow (one missing: 3, *outLength 0).
int ReadNewAppMsg(int port, unsigned char* out, unsigned* outLength, int openFirst);
int ReadMngInfo(int port, unsigned char* out, int openFirst);
int SetMaxRfByte(int port, int size, int openFirst);

}  // namespace vantel
