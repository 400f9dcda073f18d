#include "platform/bluetooth.h"

#include <winsock2.h>
#include <ws2bth.h>

#include "platform/win32/socket_wait.h"

namespace platform {
namespace {

class WinsockBluetoothSocket : public BluetoothSocket {
 public:
  explicit WinsockBluetoothSocket(SOCKET socket) : socket_(socket) {}
  ~WinsockBluetoothSocket() override { closesocket(socket_); }

  // Kept for the waits before each receive, not set on the socket: after an SO_RCVTIMEO
  // time-out Winsock leaves the socket in an undefined state, and the link is used on. 0
  // waits without limit, as it does for SO_RCVTIMEO.
  bool SetReceiveTimeout(std::uint32_t milliseconds) override {
    receiveWaitMs_ = milliseconds == 0 ? kNoTimeLimit : milliseconds;
    return true;
  }

  bool Connect(const RfcommPeer& peer) override {
    SOCKADDR_BTH address{};
    address.addressFamily = AF_BTH;
    address.btAddr = peer.address;
    const BluetoothServiceClass& service = peer.serviceClass;
    address.serviceClassId.Data1 = service.data1;
    address.serviceClassId.Data2 = service.data2;
    address.serviceClassId.Data3 = service.data3;
    for (int i = 0; i < 8; ++i) address.serviceClassId.Data4[i] = service.data4[i];
    address.port = peer.port;
    return connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  }

  int Send(const std::uint8_t* data, std::size_t length) override {
    const int sent = send(socket_, reinterpret_cast<const char*>(data), static_cast<int>(length), 0);
    return sent == SOCKET_ERROR ? -1 : sent;
  }

  int Receive(std::uint8_t* buffer, std::size_t capacity) override {
    if (!WaitForSocket(socket_, false, receiveWaitMs_)) return -1;
    const int got = recv(socket_, reinterpret_cast<char*>(buffer), static_cast<int>(capacity), 0);
    return got == SOCKET_ERROR ? -1 : got;
  }

 private:
  SOCKET socket_;
  std::uint32_t receiveWaitMs_ = kNoTimeLimit;
};

class WinsockBluetoothProvider : public BluetoothProvider {
 public:
  bool Start() override {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }
  void Stop() override { WSACleanup(); }
  std::unique_ptr<BluetoothSocket> Create() override {
    const SOCKET created = socket(AF_BTH, SOCK_STREAM, BTHPROTO_RFCOMM);
    if (created == INVALID_SOCKET) return nullptr;
    return std::make_unique<WinsockBluetoothSocket>(created);
  }
};

}  // namespace

BluetoothProvider& SystemBluetoothProvider() {
  static WinsockBluetoothProvider provider;
  return provider;
}

}  // namespace platform
