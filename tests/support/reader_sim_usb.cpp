#include "support/reader_sim_usb.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace vantel_test {
namespace {

constexpr std::uint32_t kWriteHeader = 0x222020;
constexpr std::uint32_t kWriteBody = 0x222024;
constexpr std::uint32_t kReadHeader = 0x222028;
constexpr std::uint32_t kReadBody = 0x22202C;
constexpr std::uint32_t kPipeClassFirstWord = 0x00873FDF;
const std::string kPipeSuffix = "\\PIPE0";
constexpr std::uint32_t kSystemReadLimitMs = 5000;

void QueueReplies(SimulatedUsbDevice& device, const std::vector<Reply>& replies) {
  for (const Reply& reply : replies)
    for (const Piece& piece : reply.pieces) device.pendingPieces.push_back(piece.bytes);
}

// Moves up to `capacity` answer bytes out; a piece not taken whole keeps its rest.
std::size_t TakeAnswer(SimulatedUsbDevice& device, std::uint8_t* out, std::size_t capacity,
                       bool acrossPieces) {
  std::size_t taken = 0;
  while (taken < capacity && !device.pendingPieces.empty()) {
    Bytes& piece = device.pendingPieces.front();
    std::size_t n = std::min(capacity - taken, piece.size());
    std::memcpy(out + taken, piece.data(), n);
    taken += n;
    piece.erase(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
    if (piece.empty()) device.pendingPieces.pop_front();
    if (!acrossPieces) break;
  }
  return taken;
}

// The reader's driver: frames go out in two control requests, answers come back in two.
class DriverHandle : public platform::DeviceHandle {
 public:
  explicit DriverHandle(SimulatedUsbDevice& device) : device_(device) { ++device_.openHandles; }
  ~DriverHandle() override { --device_.openHandles; }

  bool Write(const std::uint8_t*, std::size_t, std::size_t* done) override { return Refuse(done); }
  bool Read(std::uint8_t*, std::size_t, std::size_t* done) override { return Refuse(done); }

  bool Control(std::uint32_t code, const std::uint8_t* in, std::size_t inLength, std::uint8_t* out,
               std::size_t outCapacity, std::size_t* done) override {
    device_.controls.push_back({code, Bytes(in, in + inLength), outCapacity});
    *done = 0;
    switch (code) {
      case kWriteHeader:
        device_.request.assign(in, in + inLength);
        return true;
      case kWriteBody:
        device_.request.insert(device_.request.end(), in, in + inLength);
        QueueReplies(device_, device_.sim->Feed(device_.request.data(), device_.request.size()));
        device_.request.clear();
        return true;
      case kReadHeader:
      case kReadBody:
        *done = TakeAnswer(device_, out, outCapacity, true);
        return *done > 0;
      default:
        return false;
    }
  }

 private:
  static bool Refuse(std::size_t* done) {
    *done = 0;
    return false;
  }
  SimulatedUsbDevice& device_;
};

// One bulk pipe: PIPE01 takes requests, PIPE00 gives one delivery piece per read.
class PipeHandle : public platform::DeviceHandle {
 public:
  PipeHandle(SimulatedUsbDevice& device, bool answers) : device_(device), answers_(answers) {
    ++device_.openHandles;
  }
  ~PipeHandle() override { --device_.openHandles; }

  bool Write(const std::uint8_t* data, std::size_t length, std::size_t* done) override {
    *done = 0;
    if (answers_) return false;
    if (device_.pipeWriteLimit != 0 && length > device_.pipeWriteLimit) length = device_.pipeWriteLimit;
    QueueReplies(device_, device_.sim->Feed(data, length));
    *done = length;
    return true;
  }

  // As the system's pipes: a read without a limit of its own waits the library's usual
  // answer wait.
  bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t* done) override {
    return ReadWithin(buffer, capacity, kSystemReadLimitMs, done);
  }

  bool ReadWithin(std::uint8_t* buffer, std::size_t capacity, std::uint32_t limitMs,
                  std::size_t* done) override {
    device_.readLimits.push_back(limitMs);
    *done = answers_ ? TakeAnswer(device_, buffer, capacity, false) : 0;
    // Past a coarse tick count's step, so that the caller's clock sees the whole limit gone.
    constexpr std::uint32_t kLateMs = 20;
    if (*done == 0 && device_.emptyReadsWait)
      std::this_thread::sleep_for(std::chrono::milliseconds(limitMs + kLateMs));
    return answers_;
  }

 private:
  SimulatedUsbDevice& device_;
  bool answers_;
};

}  // namespace

UsbAttachment::UsbAttachment() { platform::SetUsbDeviceProvider(this); }

UsbAttachment::~UsbAttachment() { platform::SetUsbDeviceProvider(nullptr); }

SimulatedUsbDevice& UsbAttachment::AddDriverReader(ReaderSim& sim) {
  devices_.emplace_back();
  SimulatedUsbDevice& device = devices_.back();
  device.sim = &sim;
  device.path = "\\\\?\\usb#sim-driver-" + std::to_string(devices_.size());
  return device;
}

SimulatedUsbDevice& UsbAttachment::AddPipeReader(ReaderSim& sim) {
  SimulatedUsbDevice& device = AddDriverReader(sim);
  device.driver = false;
  device.path = "\\\\?\\usb#sim-pipes-" + std::to_string(devices_.size());
  return device;
}

std::vector<std::string> UsbAttachment::InterfacePaths(
    const platform::DeviceInterfaceClass& interfaceClass) {
  const bool pipes = interfaceClass.data1 == kPipeClassFirstWord;
  std::vector<std::string> paths;
  for (const SimulatedUsbDevice& device : devices_)
    if (device.driver != pipes) paths.push_back(device.path);
  return paths;
}

std::unique_ptr<platform::DeviceHandle> UsbAttachment::Open(const std::string& path, bool) {
  for (SimulatedUsbDevice& device : devices_) {
    if (device.refusesOpen) continue;
    if (device.driver && path == device.path) {
      device.openedPaths.push_back(path);
      return std::make_unique<DriverHandle>(device);
    }
    if (!device.driver && path.rfind(device.path + kPipeSuffix, 0) == 0 &&
        path.size() == device.path.size() + kPipeSuffix.size() + 1) {
      char pipe = path.back();
      if (pipe != '0' && pipe != '1') return nullptr;
      device.openedPaths.push_back(path);
      return std::make_unique<PipeHandle>(device, pipe == '0');
    }
  }
  return nullptr;
}

}  // namespace vantel_test
