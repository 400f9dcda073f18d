#pragma once
// APDUs to the contactless CPU card, and the long HID answers that they and the PSAM
// commands share.

namespace vantel {

struct StreamAnswer;

// The most answer bytes a caller's buffer receives: 256 data bytes, SW1 SW2 and one more.
constexpr int kApduAnswerCapacity = 263;

// Sends the APDU given as hex text (at most 496 characters, even length) and delivers the
// answer with its status word. 1 delivered; -1 text too long (serial port: over 252
// characters); 0 empty or odd text, null pointers, a failed or refused exchange or an
// answer longer than 263 bytes; -2 HID answer without the APDU echo; -3 no APDU path on
// this port, or a long HID answer without a status word; on the serial port a short
// write's count (but 1, which gives 0).
// Kestor_APDU
int SendApdu(const char* hexText, unsigned char* out, int* outLen);

// Collects the HID answer whose first report lies in InputReport (LEN at [3], data from
// [6]), reading continuation reports as needed, into `out` (kApduAnswerCapacity bytes).
// 1 with *outLen set; 0 when a continuation report failed or LEN is below 3; -3 for a long
// answer (over 248 bytes) without the status word 90 00.
int CollectHidAnswer(unsigned char* out, int* outLen);
// The data bytes of a byte-stream answer (after echo and FF, without the XOR byte) into
// `out`: 1, or 0 when they are more than kApduAnswerCapacity.
int DeliverStreamAnswer(const StreamAnswer& answer, unsigned char* out, int* outLen);

}  // namespace vantel
