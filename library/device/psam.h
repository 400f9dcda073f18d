#pragma once
// The reader's PSAM slots (contact security modules). The Kestor_ family works on any port
// (1 success) and addresses the slot of the last Kestor_PSAMCard_ATRS; the second (PSAM_)
// always talks to the HID reader (0 success, negative failures).

namespace vantel {

// What one HID report can carry; the byte stream is held to the same.
constexpr int kMaxPsamAtrLength = 59;

// Powers the slot (its low byte is stored in gPsamSlot) and gives its ATR, at most
// kMaxPsamAtrLength bytes. 1; -4 rate over 3; -5 mode other than 0 and 1; -2 nothing sent;
// -3 no answer; 0 refused, too long an ATR or null pointers.
// Kestor_PSAMCard_ATRS
int PsamCardAtr(int slot, unsigned rate, int mode, unsigned char* atr, int* atrLen);
// An APDU as hex text to the slot; the answer with its status word, as Kestor_APDU gives it.
// Kestor_PSAMCard_SendCmd
int PsamCardSendCmd(const char* hexText, unsigned char* out, int* outLen);
// Kestor_PSAMCard_PowerOFF
int PsamCardPowerOff();

// The reader's PSAM test byte.
// PSAM_FunTest
int PsamFunTest();
// The 16 ATR bytes; -2 slot not 1 or 2, -3 rate over 3 (or the reader's error 2), -1 - the
// reader's error byte, -5 another answer or a null pointer.
// PSAM_ReadATR
int PsamReadAtr(int slot, int rate, int mode, unsigned char* atr16);
// `len` bytes to the slot, 20 answer bytes back; -3 for a len that does not fit one report,
// null pointers or another answer.
// PSAM_SendCMD
int PsamSendCmd(int slot, const unsigned char* data, int len, unsigned char* answer20);
// 0 off; -1 and -2 the reader's refusals; -3 another answer.
// PSAM_PowerOff
int PsamPowerOff(int slot);

}  // namespace vantel
