#include "service/net/base64_coder.h"

namespace lumarin {
namespace {

const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

}  // namespace

std::string Base64Coder::Encode(const unsigned char* bytes, unsigned int length) {
  std::string text;
  text.reserve((length + 2) / 3 * 4);
  for (unsigned int i = 0; i < length; i += 3) {
    const unsigned int held = length - i < 3 ? length - i : 3;
    unsigned long group = static_cast<unsigned long>(bytes[i]) << 16;
    if (held > 1) group |= static_cast<unsigned long>(bytes[i + 1]) << 8;
    if (held > 2) group |= bytes[i + 2];
    // A group of n bytes gives n + 1 characters; "=" fills up to four.
    for (unsigned int piece = 0; piece < 4; ++piece) {
      text += piece <= held ? kBase64Alphabet[(group >> (18 - 6 * piece)) & 0x3F] : '=';
    }
  }
  return text;
}

}  // namespace lumarin
