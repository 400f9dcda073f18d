#pragma once
// Finding and selecting an identity card through the SAM, the once-only rule of a card
// left on the reader, and the SAM id as text: the bodies of ZRT_StartFindIDCard,
// ZRT_SelectIDCard, CardOn, Authenticate, ZRT_GetSAMIDToStr and GetSAMIDToStr.

namespace vantel {

// SW3 (159 = found), 128 no new card, 1 open failed, bad port or SAM not ready in repeat
// mode, 3 no or bad answer, 4/5 network send/receive failed, 0 a PC/SC error word, or the
// frame reader's negative code. `out` (4 bytes) receives the answer's data, on every
// transport but PC/SC only when the answer carried it.
int StartFindIdCard(int port, int* out, int openFirst);
// SW3 (144 = selected), other codes as for the search; `out` (8 bytes) the answer's data.
int SelectIdCard(int port, int* out, int openFirst);
// 1 when the card of the last read is still on the reader.
int CardOn();
// Search and select on the current port: 1, a negative step result, else 0.
int Authenticate();
// SW3 (144 = read); `out` receives "%.2d.%.2d-%.8u-%.10u-%.10u", unterminated at 36
// characters. Except on PC/SC, an answer without the whole id gives 3 and writes nothing.
int GetSamIdToStr(int port, char* out, int openFirst);
// On the current port into a zero-filled `out` of 37 bytes: 1, a negative result, else 0.
int GetSamIdText(char* out);

// Every port number that names a reader: COM, USB, HID, PC/SC or the network reader.
bool IsReaderPort(int port);

}  // namespace vantel
