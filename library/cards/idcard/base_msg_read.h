#pragma once
// The identity card's base message (the 256-byte text and the 1024-byte photo) read through
// the SAM on the transport that the port names; the bodies of ZRT_ReadBaseMsg and
// ZRT_ReadBaseMsgToFile.

#include "library/cards/idcard/base_msg_frame.h"

namespace vantel {

// One message as the decoders work on it.
struct CardMessage {
  unsigned char text[kBaseMsgTextSize] = {};
  unsigned char photo[kBaseMsgPhotoSize] = {};
  unsigned textLength = 0;
  unsigned photoLength = 0;
};

// The SAM's SW3 (144 = read) or a failure code: 1 open failed; 2 request not written whole;
// 3 no usable answer; 4 network send failed or a serial answer with LEN below 15; 5 network
// receive gave nothing or no transport; 6 three bad network checks or a short first PC/SC
// packet; 7..11 PC/SC packet 1..5 of the wrong length. A failure leaves the caller's
// buffers and lengths as they were. A message kept by the card-kind decision is handed out
// once instead, without touching a port.
int ReadBaseMsg(int port, unsigned char* text, unsigned* textLength, unsigned char* photo,
                unsigned* photoLength, int openFirst);

// The read, then the text and the photo each written whole to its file: 144, the read's
// failure, or 0 when a file cannot be written (or is not named).
int ReadBaseMsgToFile(int port, const char* textFile, unsigned* textLength, const char* photoFile,
                      unsigned* photoLength, int openFirst);

// Two short beeps for a whole photo, unless muted; not after a base64-wrapped serial answer.
void PhotoReadBeep(unsigned photoLength, bool wrappedAnswer);

// `length` bytes written to the file `path` ("wb+") in one write: false when the path is
// null or the file cannot be created or written whole.
bool WriteWholeFile(const char* path, const unsigned char* data, unsigned length);

}  // namespace vantel
