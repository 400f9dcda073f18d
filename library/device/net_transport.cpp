#include "library/device/net_transport.h"

#include <cstdint>
#include <memory>

#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "platform/clock.h"
#include "platform/ini_file.h"
#include "platform/message_box.h"
#include "platform/module_paths.h"
#include "platform/tcp_socket.h"

namespace vantel {
namespace {

constexpr std::size_t kIpBufferSize = 32;
constexpr std::uint32_t kPauseBeforeConnectMs = 100;
constexpr int kSingleReceiveLimit = 1024;
constexpr int kSendFailed = -2;
constexpr int kNotConnected = -1;
constexpr int kReceiveFailed = -2;
constexpr int kNetAnswerWaitMs = 5000;

void ForgetSocket() {
  DeviceState& device = Device();
  delete device.gNetSocket;
  device.gNetSocket = nullptr;
}

// The socket library counts its starts: each stop must answer a start of ours, or the
// host program's own sockets would stop working.
void StartSockets() {
  if (!Device().gSocketLibraryStarted) Device().gSocketLibraryStarted = platform::StartSocketLibrary();
}

void StopSockets() {
  if (Device().gSocketLibraryStarted) platform::StopSocketLibrary();
  Device().gSocketLibraryStarted = false;
}

int Fail(const char* text, int result) {
  platform::ShowMessageBox(text, "Error");
  StopSockets();
  return result;
}

// A reader that stops answering must not hold the caller for ever: a receive waits as
// long as a frame answer does.
int AnswerWaitMs() {
  return Settings().gComTimeout > 0 ? Settings().gComTimeout : kNetAnswerWaitMs;
}

}  // namespace

NetReaderAddress ReadNetReaderAddress(const std::string& iniPath) {
  return NetReaderAddress{
      platform::ReadIniString(iniPath, "Socket", "Ip", kDefaultNetReaderIp, kIpBufferSize),
      platform::ReadIniInt(iniPath, "Socket", "Port", kDefaultNetReaderPort)};
}

int OpenNetReader() {
  const NetReaderAddress address =
      ReadNetReaderAddress(LibraryFolder() + platform::kPathSeparator + "kestor.ini");
  platform::SleepMs(kPauseBeforeConnectMs);
  StartSockets();
  ForgetSocket();
  std::unique_ptr<platform::TcpSocket> socket = platform::TcpSocket::Create();
  if (!socket) return Fail("socket failed", kNetSocketNotCreated);
  const bool connected = socket->Connect(address.ip, static_cast<std::uint16_t>(address.port));
  // A socket that did not connect stays, as the reader's state says; sends on it fail.
  Device().gNetSocket = socket.release();
  if (!connected) return Fail("connect failed", kNetConnectFailed);
  return kNetReaderConnected;
}

void CloseNetReader() {
  if (Device().gNetSocket) Device().gNetSocket->Shutdown();
  ForgetSocket();
  StopSockets();
}

int WriteNetDevice(const char* data, int length) {
  platform::TcpSocket* socket = Device().gNetSocket;
  if (!socket || !socket->HasPeer()) return kNotConnected;
  const int sent = socket->Send(reinterpret_cast<const std::uint8_t*>(data),
                                static_cast<std::size_t>(length < 0 ? 0 : length));
  return sent < 0 ? kSendFailed : 0;
}

int ReadNetDevice(char* buffer, int size) {
  platform::TcpSocket* socket = Device().gNetSocket;
  if (!socket || size <= 0) return kReceiveFailed;
  socket->SetReceiveTimeout(static_cast<std::uint32_t>(AnswerWaitMs()));
  auto* bytes = reinterpret_cast<std::uint8_t*>(buffer);
  if (size <= kSingleReceiveLimit) {
    const int got = socket->Receive(bytes, static_cast<std::size_t>(size));
    return got > 0 ? got : kReceiveFailed;
  }
  int arrived = 0;
  while (arrived < size) {
    const int room = size - arrived;
    const int got = socket->Receive(bytes + arrived,
                                    static_cast<std::size_t>(room < kSingleReceiveLimit ? room : kSingleReceiveLimit));
    if (got <= 0) return kReceiveFailed;
    arrived += got;
  }
  return arrived;
}

}  // namespace vantel
