#include "platform/random_bytes.h"

#include <windows.h>
#include <bcrypt.h>

namespace platform {

bool FillRandomBytes(std::uint8_t* out, std::size_t length) {
  return BCryptGenRandom(nullptr, out, static_cast<ULONG>(length), BCRYPT_USE_SYSTEM_PREFERRED_RNG) >= 0;
}

}  // namespace platform
