#include "support/reader_sim_tcp.h"

#if defined(_WIN32)
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <string>

namespace vantel_test {
namespace {

constexpr int kPollMs = 10;

#if defined(_WIN32)
using SocketValue = SOCKET;
using AddressLength = int;
void CloseSocket(std::intptr_t socket) { closesocket(static_cast<SOCKET>(socket)); }
constexpr int kSendFlags = 0;
// The library's close ends one Winsock reference even when its open took none, so each
// listener takes a reference of its own and keeps it: Winsock must outlive every test.
struct SocketLibrary {
  SocketLibrary() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
};
#else
using SocketValue = int;
using AddressLength = socklen_t;
void CloseSocket(std::intptr_t socket) { close(static_cast<int>(socket)); }
// A reader that has gone away must not end the test program.
constexpr int kSendFlags = MSG_NOSIGNAL;
struct SocketLibrary {};
#endif

SocketValue AsSocket(std::intptr_t socket) { return static_cast<SocketValue>(socket); }

// Whether `socket` can be read within `ms`.
bool Readable(std::intptr_t socket, int ms) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(AsSocket(socket), &set);
  timeval wait{0, ms * 1000};
  return select(static_cast<int>(socket) + 1, &set, nullptr, nullptr, &wait) > 0;
}

std::intptr_t Listen(int* port) {
  SocketLibrary library;
  (void)library;
  SocketValue listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  AddressLength length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 1) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    CloseSocket(static_cast<std::intptr_t>(listener));
    return -1;
  }
  *port = ntohs(address.sin_port);
  return static_cast<std::intptr_t>(listener);
}

}  // namespace

TcpAttachment::TcpAttachment(ReaderSim& sim) : sim_(sim), listener_(Listen(&port_)) {
  if (listener_ != -1) thread_ = std::thread([this] { Serve(); });
}

TcpAttachment::~TcpAttachment() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ != -1) CloseSocket(listener_);
}

std::string TcpAttachment::IniText() const {
  return "[Socket]\r\nIp=127.0.0.1\r\nPort=" + std::to_string(port_) + "\r\n";
}

void TcpAttachment::Serve() {
  while (!stop_) {
    if (!Readable(listener_, kPollMs)) continue;
    SocketValue connection = accept(AsSocket(listener_), nullptr, nullptr);
    if (static_cast<std::intptr_t>(connection) == -1) continue;
    ++connections_;
    ServeConnection(static_cast<std::intptr_t>(connection));
    CloseSocket(static_cast<std::intptr_t>(connection));
  }
}

void TcpAttachment::ServeConnection(std::intptr_t connection) {
  char buffer[4096];
  while (!stop_) {
    if (!Readable(connection, kPollMs)) continue;
    int got = static_cast<int>(recv(AsSocket(connection), buffer, sizeof buffer, 0));
    if (got <= 0) return;
    for (const Reply& reply : sim_.Feed(reinterpret_cast<std::uint8_t*>(buffer),
                                        static_cast<std::size_t>(got))) {
      if (!Play(connection, reply)) return;
    }
  }
}

// False when the connection is to end.
bool TcpAttachment::Play(std::intptr_t connection, const Reply& reply) {
  for (const Piece& piece : reply.pieces) {
    if (stop_) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(piece.delayMs));
    const char* data = reinterpret_cast<const char*>(piece.bytes.data());
    if (send(AsSocket(connection), data, static_cast<int>(piece.bytes.size()), kSendFlags) < 0) return false;
  }
  return !reply.closeAfter;
}

}  // namespace vantel_test
