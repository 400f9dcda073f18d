#include "platform/random_bytes.h"

#include <errno.h>
#include <sys/random.h>

namespace platform {

bool FillRandomBytes(std::uint8_t* out, std::size_t length) {
  while (length > 0) {
    const ssize_t got = getrandom(out, length, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out += got;
    length -= static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace platform
