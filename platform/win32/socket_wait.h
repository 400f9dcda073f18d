#pragma once
// Waiting for a socket with select, so that no time-out ever fires on the socket itself:
// Winsock leaves a socket whose SO_RCVTIMEO or SO_SNDTIMEO ran out in an undefined state.
#include <winsock2.h>

#include <cstdint>

#include "platform/tcp_socket.h"

namespace platform {

// Waits until `socket` is readable, or writable (connected), or `waitMs` have passed
// (kNoTimeLimit: no limit); a failed connection shows in the exception set.
inline bool WaitForSocket(SOCKET socket, bool forWrite, std::uint32_t waitMs) {
  fd_set ready;
  fd_set failed;
  FD_ZERO(&ready);
  FD_ZERO(&failed);
  FD_SET(socket, &ready);
  FD_SET(socket, &failed);
  timeval wait{static_cast<long>(waitMs / 1000), static_cast<long>(waitMs % 1000) * 1000};
  timeval* limit = waitMs == kNoTimeLimit ? nullptr : &wait;
  const int count = forWrite ? select(0, nullptr, &ready, &failed, limit)
                             : select(0, &ready, nullptr, nullptr, limit);
  return count > 0 && FD_ISSET(socket, &ready);
}

}  // namespace platform
