#pragma once
// Clearing key material and cipher temporaries in a way the compiler keeps.
#include <cstddef>

namespace vantel {

inline void WipeBytes(void* data, std::size_t length) {
  volatile unsigned char* bytes = static_cast<volatile unsigned char*>(data);
  while (length--) *bytes++ = 0;
}

}  // namespace vantel
