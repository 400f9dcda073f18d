#pragma once
// Base64 text (RFC 4648, standard alphabet, "=" padding, no line breaks) for the WebSocket
// accept value.
#include <string>

namespace lumarin {

class Base64Coder {
 public:
  std::string Encode(const unsigned char* bytes, unsigned int length);
};

}  // namespace lumarin
