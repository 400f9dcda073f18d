#pragma once
// TCP client sockets for the network reader (Winsock 2 on Windows, BSD sockets elsewhere).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// WSAStartup(2.2) and WSACleanup on Windows; nothing to do elsewhere.
bool StartSocketLibrary();
void StopSocketLibrary();

class TcpSocket {
 public:
  // An IPv4 stream socket; null when none could be created.
  static std::unique_ptr<TcpSocket> Create();
  // Closes the socket.
  virtual ~TcpSocket() = default;

  // `address` is read as inet_addr reads it ("a.b.c.d"); false when the connection fails
  // or is not made within `waitMs` (a peer that never answers would block for minutes).
  virtual bool Connect(const std::string& address, std::uint16_t port, std::uint32_t waitMs) = 0;
  // Whether the socket has a peer (getpeername).
  virtual bool HasPeer() = 0;
  // One send call: the bytes sent, or -1 on error.
  virtual int Send(const std::uint8_t* data, std::size_t length) = 0;
  // Waits up to `waitMs` for data, then one receive call: the bytes received, 0 when the
  // peer closed, -1 on error or when nothing came in time. The wait is the socket's own
  // readiness wait, never a receive time-out, after which Winsock leaves a socket undefined.
  virtual int Receive(std::uint8_t* buffer, std::size_t capacity, std::uint32_t waitMs) = 0;
  // Ends both directions.
  virtual void Shutdown() = 0;
};

}  // namespace platform
