#include "support/local_socket.h"

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
using NativeSocket = SOCKET;
#define VANTEL_CLOSE_SOCKET closesocket
#define VANTEL_SHUT_BOTH SD_BOTH
#define VANTEL_SEND_FLAGS 0
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
using NativeSocket = int;
#define VANTEL_CLOSE_SOCKET close
#define VANTEL_SHUT_BOTH SHUT_RDWR
// A peer that has gone (the PC/SC service ending before the virtual card) must fail the
// send, not end the test program with SIGPIPE.
#define VANTEL_SEND_FLAGS MSG_NOSIGNAL
#endif

#include <cerrno>

namespace vantel_test {
namespace {

void StartSockets() {
#if defined(_WIN32)
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  (void)started;
#endif
}

sockaddr_in LocalAddress(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

bool IsFree(int port) {
  NativeSocket probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = LocalAddress(port);
  address.sin_addr.s_addr = htonl(INADDR_ANY);
  const bool free = bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  VANTEL_CLOSE_SOCKET(probe);
  return free;
}

int AnyFreePort() {
  NativeSocket probe = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = LocalAddress(0);
  socklen_t size = sizeof address;
  int port = 0;
  if (bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size) == 0)
    port = ntohs(address.sin_port);
  VANTEL_CLOSE_SOCKET(probe);
  return port;
}

}  // namespace

LocalSocket ListenLocal(int backlog, int* port) {
  StartSockets();
  NativeSocket listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = LocalAddress(0);
  socklen_t size = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, backlog) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    VANTEL_CLOSE_SOCKET(listener);
    return kNoSocket;
  }
  *port = ntohs(address.sin_port);
  return static_cast<LocalSocket>(listener);
}

LocalSocket ConnectLocal(int port) {
  StartSockets();
  NativeSocket peer = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = LocalAddress(port);
  if (connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    VANTEL_CLOSE_SOCKET(peer);
    return kNoSocket;
  }
  return static_cast<LocalSocket>(peer);
}

bool SendAll(LocalSocket socket, const std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    auto sent = send(static_cast<NativeSocket>(socket), reinterpret_cast<const char*>(data),
                     static_cast<int>(length), VANTEL_SEND_FLAGS);
    if (sent <= 0) return false;
    data += sent;
    length -= static_cast<std::size_t>(sent);
  }
  return true;
}

bool ReceiveAll(LocalSocket socket, std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    auto got = recv(static_cast<NativeSocket>(socket), reinterpret_cast<char*>(data),
                    static_cast<int>(length), 0);
    if (got <= 0) return false;
    data += got;
    length -= static_cast<std::size_t>(got);
  }
  return true;
}

void ShutdownLocal(LocalSocket socket) {
  shutdown(static_cast<NativeSocket>(socket), VANTEL_SHUT_BOTH);
}

void CloseLocal(LocalSocket socket) {
  VANTEL_CLOSE_SOCKET(static_cast<NativeSocket>(socket));
}

bool LocalPair(LocalSocket* client, LocalSocket* server) {
  StartSockets();
  NativeSocket listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = LocalAddress(0);
  socklen_t size = sizeof address;
  *client = *server = kNoSocket;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      listen(listener, 1) == 0 &&
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
    *client = ConnectLocal(ntohs(address.sin_port));
    if (*client != kNoSocket) *server = static_cast<LocalSocket>(accept(listener, nullptr, nullptr));
  }
  VANTEL_CLOSE_SOCKET(listener);
  return *client != kNoSocket && *server != static_cast<LocalSocket>(-1);
}

void ResetLocal(LocalSocket socket) {
  linger abort_on_close{1, 0};
  setsockopt(static_cast<NativeSocket>(socket), SOL_SOCKET, SO_LINGER,
             reinterpret_cast<const char*>(&abort_on_close), sizeof abort_on_close);
  CloseLocal(socket);
}

void SetReceiveWait(LocalSocket socket, int milliseconds) {
#if defined(_WIN32)
  DWORD wait = static_cast<DWORD>(milliseconds);
#else
  timeval wait{milliseconds / 1000, (milliseconds % 1000) * 1000};
#endif
  setsockopt(static_cast<NativeSocket>(socket), SOL_SOCKET, SO_RCVTIMEO,
             reinterpret_cast<const char*>(&wait), sizeof wait);
}

int ReceiveSome(LocalSocket socket, std::uint8_t* data, std::size_t capacity) {
  const auto got = recv(static_cast<NativeSocket>(socket), reinterpret_cast<char*>(data),
                        static_cast<int>(capacity), 0);
  if (got >= 0) return static_cast<int>(got);
#if defined(_WIN32)
  const bool timed_out = WSAGetLastError() == WSAETIMEDOUT;
#else
  const bool timed_out = errno == EAGAIN || errno == EWOULDBLOCK;
#endif
  return timed_out ? -1 : 0;
}

int FreePortRun(int count) {
  StartSockets();
  for (int attempt = 0; attempt < 50; ++attempt) {
    const int port = AnyFreePort();
    if (port <= 0 || port > 65536 - count) continue;
    int free = 1;
    while (free < count && IsFree(port + free)) ++free;
    if (free == count) return port;
  }
  return 0;
}

}  // namespace vantel_test
