#pragma once
// The fingerprint base message (text, photo and 1024 bytes of fingerprint) read through the
// SAM on the transport that the port names: the bodies of ZRT_ReadBaseMsgFingerPrint,
// ZRT_ReadBaseFPMsgToFile, Kestor_DecideFPIDCardType and IsFingerPrintDevice.
#include "library/cards/fingerprint/fp_frame.h"

namespace vantel {

// The SAM's SW3 (144 = read) or a failure code: 1 open failed; 2 serial/USB request not
// written whole; 3 bad answer (check, HID head or LEN, serial read failure); 4 network send
// failed or a serial answer below 15 bytes; 5 network receive failed or no transport; 6..10
// PC/SC packets 0..4 short; 7 network LEN neither 0x050A nor 0x090A; 11 the last packet of
// a frame without fingerprint; 12..15 PC/SC packets 5..8. A failure leaves the caller's
// buffers as they were. A message kept by the kind decision is handed out once instead.
int ReadFPBaseMsg(int port, const FPBaseMsgOut& out, int openFirst);

// The read, then the three parts each written whole to its file: 144, the read's result, or
// 0 when a file cannot be written.
int ReadFPBaseMsgToFile(int port, const char* textFile, unsigned* textLength, const char* photoFile,
                        unsigned* photoLength, const char* fingerprintFile,
                        unsigned* fingerprintLength, int openFirst);

// 100, 101 or 102 after a read on the current port, which is kept; else the read's result.
int DecideFPIdCardType();

// 1 when the SAM id's second number is above 2 (a fingerprint reader), else -2.
int IsFingerPrintDevice();

}  // namespace vantel
