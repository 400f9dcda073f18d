#pragma once
// Part 1.111, text conversions.
//
// TEMPORARY (branch "jpeg"): only the two conversions that the JPEG export and the signature
// need, so that this branch builds on its own. The full Part 1.111 is built on its own branch,
// and its header and source replace these two files at the merge.

namespace vantel {

// Standard base64 (RFC 4648 alphabet, "=" padding, no line breaks) of `length` bytes of `in`
// (0 means strlen of `in`) into `out`, NUL-terminated. Returns the characters written.
int Base64Encode(char* out, const unsigned char* in, int length);

// `digitCount` (taken modulo 256) upper-case hex digits of `bytes` into `out`, then a NUL:
// digit i is the high nibble of byte i/2 for even i, the low nibble for odd i.
void BytesToHex(const unsigned char* bytes, char* out, int digitCount);

}  // namespace vantel
