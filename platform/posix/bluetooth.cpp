#include "platform/bluetooth.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

// BlueZ's RFCOMM socket interface, as the kernel defines it (declared here: its headers come
// with a development package we do not need otherwise).
constexpr int kAfBluetooth = 31;
constexpr int kBtProtoRfcomm = 3;
// The channel the serial-port modules offer their service on.
constexpr std::uint8_t kSerialPortChannel = 1;

struct BdAddr {
  std::uint8_t b[6];  // least significant byte first
} __attribute__((packed));

struct SockAddrRc {
  sa_family_t rc_family;
  BdAddr rc_bdaddr;
  std::uint8_t rc_channel;
};

class BluezSocket : public BluetoothSocket {
 public:
  explicit BluezSocket(int fd) : fd_(fd) {}
  ~BluezSocket() override { close(fd_); }

  bool SetReceiveTimeout(std::uint32_t milliseconds) override {
    timeval wait{static_cast<time_t>(milliseconds / 1000),
                 static_cast<suseconds_t>(milliseconds % 1000) * 1000};
    return setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) == 0;
  }

  bool Connect(const RfcommPeer& peer) override {
    SockAddrRc address{};
    address.rc_family = kAfBluetooth;
    for (int i = 0; i < 6; ++i) address.rc_bdaddr.b[i] = static_cast<std::uint8_t>(peer.address >> (8 * i));
    address.rc_channel = peer.port != 0 ? static_cast<std::uint8_t>(peer.port) : kSerialPortChannel;
    int result;
    do {
      result = connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result < 0 && errno == EINTR);
    return result == 0;
  }

  // A module that has gone away gives an error, not a signal that ends the program.
  int Send(const std::uint8_t* data, std::size_t length) override {
    return static_cast<int>(send(fd_, data, length, MSG_NOSIGNAL));
  }

  int Receive(std::uint8_t* buffer, std::size_t capacity) override {
    ssize_t got;
    do {
      got = recv(fd_, buffer, capacity, 0);
    } while (got < 0 && errno == EINTR);
    return static_cast<int>(got);
  }

 private:
  int fd_;
};

class BluezProvider : public BluetoothProvider {
 public:
  bool Start() override { return true; }
  void Stop() override {}
  std::unique_ptr<BluetoothSocket> Create() override {
    const int fd = socket(kAfBluetooth, SOCK_STREAM | SOCK_CLOEXEC, kBtProtoRfcomm);
    if (fd < 0) return nullptr;
    return std::make_unique<BluezSocket>(fd);
  }
};

}  // namespace

BluetoothProvider& SystemBluetoothProvider() {
  static BluezProvider provider;
  return provider;
}

}  // namespace platform
