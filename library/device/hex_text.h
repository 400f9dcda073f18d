#pragma once
// Hex text of APDUs and card data. No device state: the service uses these as well.

namespace vantel {

// Converts `length` characters of `text`, two per byte, first digit the high nibble
// (0-9, A-F, a-f). Stops at the first other character and returns -1, leaving the bytes
// converted so far; else 0. An odd last digit is not converted.
int HexToBytes(const char* text, unsigned char* out, int length);

// Each of `count` bytes as two lower-case hex digits, then a NUL (2 * count + 1 characters).
void BytesToLowerHex(char* out, int count, const unsigned char* bytes);

}  // namespace vantel
