#pragma once
// The library's whole identity-card reads: readCard answers the card as JSON (fields, photo
// and signature), readCert adds the card images, Kestor_ReadAllTypeCardInfos as "|"-separated text with the photo copied
// into a folder.

namespace vantel {

// Always 0. The answer's bytes go to `out` without a NUL and their count to *outLen;
// nothing is written when either pointer is null.
int readCard(char* out, int* outLen);
// As readCard, with the card images that the card-image library draws.
int readCert(char* out, int* outLen);

// 1 resident card, 2 foreign card; -1 null `out` or a `folder` that is not readable and
// writable, -2 port not opened, -3 no card, -4 another kind or a failed read, -5 the photo
// not copied. `out` holds 256 bytes; `folder` may be null or empty (no copy).
int Kestor_ReadAllTypeCardInfos(int port, char* out, const char* folder);

}  // namespace vantel
