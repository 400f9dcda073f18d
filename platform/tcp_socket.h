#pragma once
// TCP sockets: the network reader's client connections and the service's listeners (Winsock 2
// on Windows, BSD sockets elsewhere).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// A wait without limit (for Receive and WaitReadable).
constexpr std::uint32_t kNoTimeLimit = 0xFFFFFFFFu;

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
  // One send call that never waits for room: the bytes taken, 0 when there was no room, -1
  // on error.
  virtual int SendWithoutWaiting(const std::uint8_t* data, std::size_t length) = 0;
  // How long one send call waits for room before it fails: a peer that stops reading must
  // not hold the sender for ever.
  virtual bool SetSendTimeout(std::uint32_t milliseconds) = 0;
  // Sends each write at once (TCP_NODELAY), for a sender that writes whole messages: a small
  // one is not held back until the peer acknowledges the last.
  virtual bool SendAtOnce() = 0;
  // Waits up to `waitMs` for data, then one receive call: the bytes received, 0 when the
  // peer closed, -1 on error or when nothing came in time. The wait is the socket's own
  // readiness wait, never a receive time-out, after which Winsock leaves a socket undefined.
  virtual int Receive(std::uint8_t* buffer, std::size_t capacity, std::uint32_t waitMs) = 0;
  // The same wait without the receive, for callers whose bytes are read by another (OpenSSL):
  // false when neither data nor the peer's close came within `waitMs`.
  virtual bool WaitReadable(std::uint32_t waitMs) = 0;
  // Ends both directions.
  virtual void Shutdown() = 0;
  // Ends the connection from another thread while its owner may wait on it: a read wait in
  // progress ends at once, and so does every later one; reads then find the connection
  // ended (0 or -1). The socket stays open until its owner closes it.
  virtual void Interrupt() = 0;
  // The system's own handle (SOCKET or file descriptor), for OpenSSL and the completion port.
  virtual std::intptr_t NativeHandle() const = 0;
};

// A listening IPv4 stream socket on all local interfaces.
class TcpListener {
 public:
  // Null when no socket could be created. On Linux it also ignores SIGPIPE for the process:
  // TLS connections write through OpenSSL, whose sends would otherwise raise it.
  static std::unique_ptr<TcpListener> Create();
  // Closes the socket.
  virtual ~TcpListener() = default;

  // Binds INADDR_ANY at `port` and listens. On Linux the address may be reused, so that a
  // restart binds beside connections in TIME_WAIT as it does on Windows (where the option
  // is not set: there it would share the port with another listener).
  virtual bool Listen(std::uint16_t port, int backlog) = 0;
  // Waits for the next connection; null when accept failed.
  virtual std::unique_ptr<TcpSocket> Accept() = 0;
};

}  // namespace platform
