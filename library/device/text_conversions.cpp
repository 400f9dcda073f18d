// TEMPORARY (branch "jpeg"): see text_conversions.h.
#include "library/device/text_conversions.h"

#include <cstring>

namespace vantel {
namespace {

const char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char kHexDigits[] = "0123456789ABCDEF";

}  // namespace

int Base64Encode(char* out, const unsigned char* in, int length) {
  if (length == 0) length = static_cast<int>(std::strlen(reinterpret_cast<const char*>(in)));
  int written = 0;
  int i = 0;
  for (; i + 3 <= length; i += 3) {
    unsigned group = (in[i] << 16) | (in[i + 1] << 8) | in[i + 2];
    out[written++] = kBase64Alphabet[(group >> 18) & 0x3F];
    out[written++] = kBase64Alphabet[(group >> 12) & 0x3F];
    out[written++] = kBase64Alphabet[(group >> 6) & 0x3F];
    out[written++] = kBase64Alphabet[group & 0x3F];
  }
  int left = length - i;
  if (left > 0) {
    unsigned group = in[i] << 16;
    if (left == 2) group |= in[i + 1] << 8;
    out[written++] = kBase64Alphabet[(group >> 18) & 0x3F];
    out[written++] = kBase64Alphabet[(group >> 12) & 0x3F];
    out[written++] = left == 2 ? kBase64Alphabet[(group >> 6) & 0x3F] : '=';
    out[written++] = '=';
  }
  out[written] = '\0';
  return written;
}

void BytesToHex(const unsigned char* bytes, char* out, int digitCount) {
  int count = digitCount & 0xFF;
  for (int i = 0; i < count; ++i) {
    unsigned char byte = bytes[i / 2];
    out[i] = kHexDigits[(i % 2 == 0) ? (byte >> 4) : (byte & 0x0F)];
  }
  out[count] = '\0';
}

}  // namespace vantel
