#include "library/device/hex_text.h"

namespace vantel {
namespace {

int DigitValue(char character) {
  if (character >= '0' && character <= '9') return character - '0';
  if (character >= 'A' && character <= 'F') return character - 'A' + 10;
  if (character >= 'a' && character <= 'f') return character - 'a' + 10;
  return -1;
}

}  // namespace

int HexToBytes(const char* text, unsigned char* out, int length) {
  for (int i = 0; i + 1 < length; i += 2) {
    const int high = DigitValue(text[i]);
    const int low = high < 0 ? -1 : DigitValue(text[i + 1]);
    if (low < 0) return -1;
    out[i / 2] = static_cast<unsigned char>(high << 4 | low);
  }
  if (length % 2 == 1 && DigitValue(text[length - 1]) < 0) return -1;
  return 0;
}

void BytesToLowerHex(char* out, int count, const unsigned char* bytes) {
  static const char kDigits[] = "0123456789abcdef";
  for (int i = 0; i < count; ++i) {
    out[2 * i] = kDigits[bytes[i] >> 4];
    out[2 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
  out[count < 0 ? 0 : 2 * count] = '\0';
}

}  // namespace vantel
