#include "platform/tcp_socket.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/win32/socket_wait.h"

namespace platform {
namespace {

static_assert(kNoTimeLimit == WSA_INFINITE, "a wait without limit is the events' own");

bool SetBlocking(SOCKET socket, bool blocking) {
  u_long nonBlocking = blocking ? 0 : 1;
  return ioctlsocket(socket, FIONBIO, &nonBlocking) == 0;
}

class Win32TcpSocket : public TcpSocket {
 public:
  explicit Win32TcpSocket(SOCKET socket) : socket_(socket) {}
  ~Win32TcpSocket() override {
    closesocket(socket_);
    if (readable_ != WSA_INVALID_EVENT) WSACloseEvent(readable_);
    if (interrupted_ != WSA_INVALID_EVENT) WSACloseEvent(interrupted_);
  }

  bool Connect(const std::string& address, std::uint16_t port, std::uint32_t waitMs) override {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = inet_addr(address.c_str());
    peer.sin_port = htons(port);
    if (!SetBlocking(socket_, false)) return false;
    bool connected = connect(socket_, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0;
    if (!connected && WSAGetLastError() == WSAEWOULDBLOCK)
      connected = WaitForSocket(socket_, true, waitMs);
    return SetBlocking(socket_, true) && connected;
  }

  bool HasPeer() override {
    sockaddr_in peer{};
    int length = sizeof peer;
    return getpeername(socket_, reinterpret_cast<sockaddr*>(&peer), &length) == 0;
  }

  int Send(const std::uint8_t* data, std::size_t length) override {
    int sent = send(socket_, reinterpret_cast<const char*>(data), static_cast<int>(length), 0);
    return sent == SOCKET_ERROR ? -1 : sent;
  }

  // Winsock has no per-call flag: the socket is non-blocking for this one call.
  int SendWithoutWaiting(const std::uint8_t* data, std::size_t length) override {
    if (!SetBlocking(socket_, false)) return -1;
    int sent = send(socket_, reinterpret_cast<const char*>(data), static_cast<int>(length), 0);
    if (sent == SOCKET_ERROR) sent = WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
    return SetBlocking(socket_, true) ? sent : -1;
  }

  bool SetSendTimeout(std::uint32_t milliseconds) override {
    return SetTimeout(SO_SNDTIMEO, milliseconds);
  }

  bool SendAtOnce() override {
    BOOL on = TRUE;
    return setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on),
                      sizeof on) == 0;
  }

  int Receive(std::uint8_t* buffer, std::size_t capacity, std::uint32_t waitMs) override {
    if (!WaitReadable(waitMs)) return -1;
    int got = recv(socket_, reinterpret_cast<char*>(buffer), static_cast<int>(capacity), 0);
    return got == SOCKET_ERROR ? -1 : got;
  }

  // select cannot be woken from another thread: the socket's network events and the
  // interrupt are waited for together, and the socket is made blocking again afterwards.
  bool WaitReadable(std::uint32_t waitMs) override {
    if (readable_ == WSA_INVALID_EVENT || interrupted_ == WSA_INVALID_EVENT) return false;
    if (WSAWaitForMultipleEvents(1, &interrupted_, FALSE, 0, FALSE) == WSA_WAIT_EVENT_0)
      return false;
    WSAResetEvent(readable_);
    // Data or a close that came before is recorded at once: network events persist.
    if (WSAEventSelect(socket_, readable_, FD_READ | FD_CLOSE) != 0) return false;
    WSAEVENT events[] = {readable_, interrupted_};
    const DWORD woken = WSAWaitForMultipleEvents(2, events, FALSE, waitMs, FALSE);
    WSAEventSelect(socket_, nullptr, 0);
    return SetBlocking(socket_, true) && woken == WSA_WAIT_EVENT_0;
  }

  void Shutdown() override { shutdown(socket_, SD_BOTH); }

  void Interrupt() override {
    WSASetEvent(interrupted_);
    shutdown(socket_, SD_BOTH);
  }

  std::intptr_t NativeHandle() const override { return static_cast<std::intptr_t>(socket_); }

 private:
  bool SetTimeout(int option, std::uint32_t milliseconds) {
    DWORD wait = milliseconds;
    return setsockopt(socket_, SOL_SOCKET, option, reinterpret_cast<const char*>(&wait),
                      sizeof wait) == 0;
  }

  SOCKET socket_;
  // Manual-reset; WSA_INVALID_EVENT when none could be made (every read wait fails then).
  WSAEVENT readable_ = WSACreateEvent();
  WSAEVENT interrupted_ = WSACreateEvent();
};

class Win32TcpListener : public TcpListener {
 public:
  explicit Win32TcpListener(SOCKET socket) : socket_(socket) {}
  ~Win32TcpListener() override { closesocket(socket_); }

  bool Listen(std::uint16_t port, int backlog) override {
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(port);
    return bind(socket_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
           listen(socket_, backlog) == 0;
  }

  std::unique_ptr<TcpSocket> Accept() override {
    SOCKET accepted = accept(socket_, nullptr, nullptr);
    if (accepted == INVALID_SOCKET) return nullptr;
    return std::make_unique<Win32TcpSocket>(accepted);
  }

 private:
  SOCKET socket_;
};

}  // namespace

bool StartSocketLibrary() {
  WSADATA data;
  return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}

void StopSocketLibrary() { WSACleanup(); }

std::unique_ptr<TcpSocket> TcpSocket::Create() {
  SOCKET created = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (created == INVALID_SOCKET) return nullptr;
  return std::make_unique<Win32TcpSocket>(created);
}

std::unique_ptr<TcpListener> TcpListener::Create() {
  SOCKET created = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (created == INVALID_SOCKET) return nullptr;
  return std::make_unique<Win32TcpListener>(created);
}

}  // namespace platform
