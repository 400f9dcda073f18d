#include "platform/tcp_socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace platform {
namespace {

// Waits until `fd` is ready for `events` or `waitMs` have passed.
bool WaitFor(int fd, short events, std::uint32_t waitMs) {
  pollfd watch{fd, events, 0};
  int ready;
  do {
    ready = poll(&watch, 1, waitMs == kNoTimeLimit ? -1 : static_cast<int>(waitMs & 0x7FFFFFFF));
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

bool SetBlocking(int fd, bool blocking) {
  const int flags = fcntl(fd, F_GETFL);
  return flags >= 0 &&
         fcntl(fd, F_SETFL, blocking ? flags & ~O_NONBLOCK : flags | O_NONBLOCK) == 0;
}

class PosixTcpSocket : public TcpSocket {
 public:
  explicit PosixTcpSocket(int fd) : fd_(fd) {}
  ~PosixTcpSocket() override { close(fd_); }

  bool Connect(const std::string& address, std::uint16_t port, std::uint32_t waitMs) override {
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = inet_addr(address.c_str());
    peer.sin_port = htons(port);
    if (!SetBlocking(fd_, false)) return false;
    bool connected = connect(fd_, reinterpret_cast<sockaddr*>(&peer), sizeof peer) == 0;
    if (!connected && (errno == EINPROGRESS || errno == EINTR) && WaitFor(fd_, POLLOUT, waitMs)) {
      int error = 0;
      socklen_t length = sizeof error;
      connected = getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    return SetBlocking(fd_, true) && connected;
  }

  bool HasPeer() override {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    return getpeername(fd_, reinterpret_cast<sockaddr*>(&peer), &length) == 0;
  }

  // A reader that has gone away gives an error, not a signal that ends the program.
  int Send(const std::uint8_t* data, std::size_t length) override {
    return static_cast<int>(send(fd_, data, length, MSG_NOSIGNAL));
  }

  int SendWithoutWaiting(const std::uint8_t* data, std::size_t length) override {
    ssize_t sent;
    do {
      sent = send(fd_, data, length, MSG_DONTWAIT | MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
    return static_cast<int>(sent);
  }

  bool SetSendTimeout(std::uint32_t milliseconds) override {
    return SetTimeout(SO_SNDTIMEO, milliseconds);
  }

  bool SendAtOnce() override {
    int on = 1;
    return setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on) == 0;
  }

  int Receive(std::uint8_t* buffer, std::size_t capacity, std::uint32_t waitMs) override {
    if (!WaitFor(fd_, POLLIN, waitMs)) return -1;
    ssize_t got;
    do {
      got = recv(fd_, buffer, capacity, 0);
    } while (got < 0 && errno == EINTR);
    return static_cast<int>(got);
  }

  bool WaitReadable(std::uint32_t waitMs) override { return WaitFor(fd_, POLLIN, waitMs); }

  void Shutdown() override { shutdown(fd_, SHUT_RDWR); }

  // A shut-down socket is readable for good: poll returns at once and recv gives 0.
  void Interrupt() override { shutdown(fd_, SHUT_RDWR); }

  std::intptr_t NativeHandle() const override { return fd_; }

 private:
  bool SetTimeout(int option, std::uint32_t milliseconds) {
    timeval wait{static_cast<time_t>(milliseconds / 1000),
                 static_cast<suseconds_t>(milliseconds % 1000) * 1000};
    return setsockopt(fd_, SOL_SOCKET, option, &wait, sizeof wait) == 0;
  }

  int fd_;
};

class PosixTcpListener : public TcpListener {
 public:
  explicit PosixTcpListener(int fd) : fd_(fd) {}
  ~PosixTcpListener() override { close(fd_); }

  bool Listen(std::uint16_t port, int backlog) override {
    int reuse = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(port);
    return bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
           listen(fd_, backlog) == 0;
  }

  std::unique_ptr<TcpSocket> Accept() override {
    int accepted;
    do {
      accepted = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    } while (accepted < 0 && errno == EINTR);
    if (accepted < 0) return nullptr;
    return std::make_unique<PosixTcpSocket>(accepted);
  }

 private:
  int fd_;
};

}  // namespace

bool StartSocketLibrary() { return true; }
void StopSocketLibrary() {}

std::unique_ptr<TcpSocket> TcpSocket::Create() {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixTcpSocket>(fd);
}

std::unique_ptr<TcpListener> TcpListener::Create() {
  signal(SIGPIPE, SIG_IGN);
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) return nullptr;
  return std::make_unique<PosixTcpListener>(fd);
}

}  // namespace platform
