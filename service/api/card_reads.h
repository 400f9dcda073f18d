#pragma once
// The service's own identity-card reads: open the reader, authenticate the card, read its
// base message, decode the fields of its kind, make the photo (and for the certificate read
// the card-copy images) and answer with the signed card answer in the ANSI code page.
// Called only under the reader mutex: the base message, the decoders and the temporary files
// have no other guard.

namespace lumarin {

// The service's one base message, cleared before every read.
struct ServiceBaseMsg {
  unsigned char text[256];
  unsigned textLength;
  unsigned photoLength;
  unsigned char photo[1024];
};
extern ServiceBaseMsg gServiceBaseMsg;

// Write the answer's bytes, without a NUL, into `out` (a zero-filled buffer of
// kAnswerBufferSize bytes) and its length through `outLen`; always 0. A failure is an answer
// with resultFlag -1 and the failed step's message.
int ServiceReadCard(char* out, int* outLen);
// As ServiceReadCard, with "card.jpg", "1.jpg" and "2.jpg" of the card-image library.
int ServiceReadCert(char* out, int* outLen);

}  // namespace lumarin
