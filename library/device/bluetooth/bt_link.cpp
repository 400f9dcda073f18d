#include "library/device/bluetooth/bt_link.h"

#include <cstring>
#include <memory>

#include "library/device/device_state.h"
#include "library/device/enc_chip/enc_chip_frame.h"
#include "platform/bluetooth.h"

namespace vantel {
namespace {

// The handshake is an encryption-chip frame with marker 04: command 01, argument 53.
constexpr std::uint8_t kHandshakeMarker = 0x04;
constexpr std::uint8_t kHandshakeCommand = 0x01;
constexpr std::uint8_t kHandshakeArgument = 0x53;
constexpr std::size_t kHandshakeAnswerSize = 18;
constexpr std::size_t kKeyPairAt = 30;  // the 16th two-digit pair
constexpr std::size_t kShortestKeyText = 33;

void CloseBtSocket() {
  DeviceState& device = Device();
  delete device.gBtSocket;
  device.gBtSocket = nullptr;
}

// The socket library counts its starts: each stop must answer a start of the link's own, or
// the host program's sockets would stop working.
bool StartBtSockets() {
  DeviceState& device = Device();
  if (!device.gBtSocketLibraryStarted) device.gBtSocketLibraryStarted = platform::Bluetooth().Start();
  return device.gBtSocketLibraryStarted;
}

void StopBtSockets() {
  DeviceState& device = Device();
  if (device.gBtSocketLibraryStarted) platform::Bluetooth().Stop();
  device.gBtSocketLibraryStarted = false;
}

int FailConnect() {
  CloseBtSocket();
  StopBtSockets();
  return 0;
}

std::uint64_t DigitValue(unsigned char character) {
  if (character >= '0' && character <= '9') return character - '0';
  const unsigned upper = character >= 'a' && character <= 'z' ? character - ('a' - 'A') : character;
  return std::uint64_t{upper} - 55;
}

}  // namespace

std::uint64_t BtAddressFromText(const char* text) {
  std::uint64_t address = 0;
  for (const char* at = text; *at != '\0'; ++at)
    address = address * 16 + DigitValue(static_cast<unsigned char>(*at));
  return address;
}

int ConnectBtDevice(const char* address, int receiveTimeoutMs) {
  if (address == nullptr || address[0] == '\0' || !StartBtSockets()) return 0;
  CloseBtSocket();
  std::unique_ptr<platform::BluetoothSocket> socket = platform::Bluetooth().Create();
  if (!socket) return FailConnect();
  socket->SetReceiveTimeout(static_cast<std::uint32_t>(receiveTimeoutMs));
  platform::RfcommPeer peer;
  peer.address = BtAddressFromText(address);
  peer.serviceClass = platform::kSerialPortServiceClass;
  peer.port = 0;
  if (!socket->Connect(peer)) return FailConnect();
  Device().gBtSocket = socket.release();
  return 1;
}

int DisconnectBtDevice() {
  CloseBtSocket();
  StopBtSockets();
  return 1;
}

int WriteBtDevice(const char* data, int length) {
  platform::BluetoothSocket* socket = Device().gBtSocket;
  if (data == nullptr || data[0] == '\0' || length <= 0 || socket == nullptr) return 0;
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
  for (int sent = 0; sent < length;) {
    const int got = socket->Send(bytes + sent, static_cast<std::size_t>(length - sent));
    if (got <= 0) return 0;
    sent += got;
  }
  return 1;
}

int ReadBtDevice(char* buffer, int size) {
  platform::BluetoothSocket* socket = Device().gBtSocket;
  if (buffer == nullptr || size <= 0 || socket == nullptr) return 0;
  return socket->Receive(reinterpret_cast<std::uint8_t*>(buffer), static_cast<std::size_t>(size)) >= 0 ? 1 : 0;
}

int BtHandshake() {
  std::uint8_t request[kEncChipFrameOverhead + kEncChipBodyHeader + 1];
  const std::size_t length =
      BuildEncChipFrame(kHandshakeMarker, kHandshakeCommand, &kHandshakeArgument, 1, request);
  if (WriteBtDevice(reinterpret_cast<const char*>(request), static_cast<int>(length)) != 1) return 0;
  char answer[kHandshakeAnswerSize] = {};
  answer[kEncChipStatusAt] = 1;
  return ReadBtDevice(answer, sizeof answer) == 1 && answer[kEncChipStatusAt] == 0 ? 1 : 0;
}

int SetBt3DesKey(const char* hexText) {
  if (hexText == nullptr || std::strlen(hexText) < kShortestKeyText) return 0;
  const auto* pair = reinterpret_cast<const unsigned char*>(hexText + kKeyPairAt);
  return static_cast<std::uint8_t>(DigitValue(pair[0]) * 16 + DigitValue(pair[1]));
}

}  // namespace vantel
