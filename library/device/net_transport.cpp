#include "library/device/net_transport.h"

#include <cstdint>
#include <memory>

#include "library/device/device_state.h"
#include "library/device/frame_layout.h"
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

// A reader that stops answering must not hold the caller for ever: a connect and an
// answer wait as long as a frame answer does.
std::uint32_t AnswerWaitMs() {
  return static_cast<std::uint32_t>(Settings().gComTimeout > 0 ? Settings().gComTimeout
                                                               : kDefaultAnswerWaitMs);
}

// The end of one answer wait.
class Deadline {
 public:
  Deadline() : end_(platform::TickCountMs() + AnswerWaitMs()) {}
  std::uint32_t MsLeft() const {
    const auto left = static_cast<std::int32_t>(end_ - platform::TickCountMs());
    return left > 0 ? static_cast<std::uint32_t>(left) : 0;
  }

 private:
  std::uint32_t end_;
};

// Receives exactly `length` bytes before the deadline.
bool ReceiveExactly(platform::TcpSocket& socket, std::uint8_t* buffer, std::size_t length,
                    const Deadline& deadline) {
  std::size_t arrived = 0;
  while (arrived < length) {
    const int got = socket.Receive(buffer + arrived, length - arrived, deadline.MsLeft());
    if (got <= 0) return false;
    arrived += static_cast<std::size_t>(got);
  }
  return true;
}

// Drops `length` bytes of a frame that does not fit, as far as they come before the deadline.
void SkipBytes(platform::TcpSocket& socket, std::size_t length, const Deadline& deadline) {
  std::uint8_t scratch[256];
  while (length > 0) {
    const int got = socket.Receive(scratch, length < sizeof scratch ? length : sizeof scratch,
                                   deadline.MsLeft());
    if (got <= 0) return;
    length -= static_cast<std::size_t>(got);
  }
}

// The frame's whole size from its first bytes (3 of a vendor frame, else 7); 0 when the
// head must first be completed to 7 bytes.
std::size_t FrameSize(const std::uint8_t* head, std::size_t headSize) {
  if (HasVendorMarker(head)) return kVendorHeaderSize + head[2];
  return headSize < kSamHeaderSize ? 0 : kSamHeaderSize + SamLength(head);
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
  const bool connected =
      socket->Connect(address.ip, static_cast<std::uint16_t>(address.port), AnswerWaitMs());
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
  const Deadline deadline;
  auto* bytes = reinterpret_cast<std::uint8_t*>(buffer);
  if (size <= kSingleReceiveLimit) {
    const int got = socket->Receive(bytes, static_cast<std::size_t>(size), deadline.MsLeft());
    return got > 0 ? got : kReceiveFailed;
  }
  int arrived = 0;
  while (arrived < size) {
    const int room = size - arrived;
    const int got = socket->Receive(
        bytes + arrived, static_cast<std::size_t>(room < kSingleReceiveLimit ? room : kSingleReceiveLimit),
        deadline.MsLeft());
    if (got <= 0) return kReceiveFailed;
    arrived += got;
  }
  return arrived;
}

int ReadNetAnswerFrame(char* buffer, int size) {
  platform::TcpSocket* socket = Device().gNetSocket;
  if (!socket || size < static_cast<int>(kSamHeaderSize)) return kReceiveFailed;
  const Deadline deadline;
  auto* frame = reinterpret_cast<std::uint8_t*>(buffer);
  std::size_t arrived = kVendorHeaderSize;
  if (!ReceiveExactly(*socket, frame, arrived, deadline)) return kReceiveFailed;
  if (HasVendorMarker(frame) && frame[2] == kLongVendorLength) {
    const int got = socket->Receive(frame + arrived, static_cast<std::size_t>(size) - arrived,
                                    deadline.MsLeft());
    return got > 0 ? static_cast<int>(arrived) + got : kReceiveFailed;
  }
  std::size_t total = FrameSize(frame, arrived);
  if (total == 0) {
    if (!ReceiveExactly(*socket, frame + arrived, kSamHeaderSize - arrived, deadline))
      return kReceiveFailed;
    arrived = kSamHeaderSize;
    total = FrameSize(frame, arrived);
  }
  if (total > static_cast<std::size_t>(size)) {
    SkipBytes(*socket, total - arrived, deadline);
    return kReceiveFailed;
  }
  if (!ReceiveExactly(*socket, frame + arrived, total - arrived, deadline)) return kReceiveFailed;
  return static_cast<int>(total);
}

}  // namespace vantel
