#pragma once
// Bluetooth RFCOMM stream sockets: Winsock's AF_BTH on Windows, BlueZ's RFCOMM sockets on
// Linux. Tests replace the system's sockets with their own through SetBluetoothProvider, on
// every system alike.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// A Bluetooth service class (a GUID, in its field order).
struct BluetoothServiceClass {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
};

// {00001101-0000-1000-8000-00805F9B34FB}: the serial-port service of the reader modules.
constexpr BluetoothServiceClass kSerialPortServiceClass{
    0x00001101, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};

// Where to connect: the device address (its low 48 bits are the radio's), and either a port
// (an RFCOMM channel) or port 0, which asks for the channel of the service class. Linux
// sockets cannot look a service up (that takes SDP): there port 0 connects on channel 1,
// where the serial-port modules offer their service.
struct RfcommPeer {
  std::uint64_t address = 0;
  BluetoothServiceClass serviceClass;
  std::uint32_t port = 0;
};

class BluetoothSocket {
 public:
  // Closes the socket.
  virtual ~BluetoothSocket() = default;
  // How long one receive call waits for data before it fails; 0 waits without limit, as for
  // SO_RCVTIMEO.
  virtual bool SetReceiveTimeout(std::uint32_t milliseconds) = 0;
  virtual bool Connect(const RfcommPeer& peer) = 0;
  // One send call: the bytes sent, or -1 on error.
  virtual int Send(const std::uint8_t* data, std::size_t length) = 0;
  // One receive call: the bytes received, 0 when the peer closed, -1 on error or time-out.
  virtual int Receive(std::uint8_t* buffer, std::size_t capacity) = 0;
};

class BluetoothProvider {
 public:
  virtual ~BluetoothProvider() = default;
  // The socket library's start (WSAStartup 2.2) and the stop that answers it (WSACleanup).
  virtual bool Start() = 0;
  virtual void Stop() = 0;
  // An RFCOMM stream socket; null when none could be created (no Bluetooth).
  virtual std::unique_ptr<BluetoothSocket> Create() = 0;
};

// The sockets the library uses: the system's, unless a test has set its own.
BluetoothProvider& Bluetooth();
// Null restores the system's sockets. The provider must outlive its use.
void SetBluetoothProvider(BluetoothProvider* provider);

// The system's own sockets (each backend has one).
BluetoothProvider& SystemBluetoothProvider();

}  // namespace platform
