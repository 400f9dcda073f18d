#include "support/bt_module_sim.h"

#include <algorithm>

#include "support/reader_sim_enc_chip.h"

namespace vantel_test {
namespace {

const Bytes kHandshakeStart{0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55, 0x04};
constexpr std::size_t kHandshakeSize = 18;
constexpr std::uint8_t kNonZeroStatus = 0x07;
constexpr std::size_t kShortAnswerSize = 12;

// Whether `pending` begins as much of a handshake request as it holds.
bool StartsHandshake(const Bytes& pending) {
  const std::size_t compared = std::min(pending.size(), kHandshakeStart.size());
  return std::equal(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(compared),
                    kHandshakeStart.begin());
}

}  // namespace

// The library's end of a connection whose other end the module serves.
class BtModuleSim::StreamSocket : public platform::BluetoothSocket {
 public:
  StreamSocket(BtModuleSim& sim, LocalSocket end) : sim_(sim), end_(end) {}
  ~StreamSocket() override {
    CloseLocal(end_);
    std::lock_guard<std::mutex> lock(sim_.mutex_);
    --sim_.record_.openSockets;
  }

  bool SetReceiveTimeout(std::uint32_t milliseconds) override {
    SetReceiveWait(end_, static_cast<int>(milliseconds));
    std::lock_guard<std::mutex> lock(sim_.mutex_);
    sim_.record_.receiveTimeouts.push_back(milliseconds);
    return true;
  }
  bool Connect(const platform::RfcommPeer& peer) override {
    std::lock_guard<std::mutex> lock(sim_.mutex_);
    sim_.record_.peers.push_back(peer);
    return !sim_.connectFails;
  }
  int Send(const std::uint8_t* data, std::size_t length) override {
    return SendAll(end_, data, length) ? static_cast<int>(length) : -1;
  }
  int Receive(std::uint8_t* buffer, std::size_t capacity) override {
    return ReceiveSome(end_, buffer, capacity);
  }

 private:
  BtModuleSim& sim_;
  LocalSocket end_;
};

BtModuleSim::BtModuleSim() { platform::SetBluetoothProvider(this); }

BtModuleSim::~BtModuleSim() {
  platform::SetBluetoothProvider(nullptr);
  for (std::thread& module : modules_) module.join();
}

BtModuleSim::Record BtModuleSim::Recorded() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return record_;
}

bool BtModuleSim::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (startFails) return false;
  ++record_.starts;
  return true;
}

void BtModuleSim::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++record_.stops;
}

std::unique_ptr<platform::BluetoothSocket> BtModuleSim::Create() {
  LocalSocket library = kNoSocket;
  LocalSocket module = kNoSocket;
  if (createFails || !LocalPair(&library, &module)) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  ++record_.openSockets;
  modules_.emplace_back([this, module] { Serve(module); });
  return std::make_unique<StreamSocket>(*this, library);
}

// Until the library closes its end.
void BtModuleSim::Serve(LocalSocket end) {
  Bytes pending;
  std::uint8_t buffer[256];
  for (int got; (got = ReceiveSome(end, buffer, sizeof buffer)) > 0;) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      record_.received.insert(record_.received.end(), buffer, buffer + got);
    }
    pending.insert(pending.end(), buffer, buffer + got);
    Answer(end, &pending);
  }
  CloseLocal(end);
}

void BtModuleSim::Answer(LocalSocket end, Bytes* pending) {
  if (!StartsHandshake(*pending)) {
    SendAll(end, pending->data(), pending->size());
    pending->clear();
    return;
  }
  if (pending->size() < kHandshakeSize) return;
  pending->erase(pending->begin(), pending->begin() + kHandshakeSize);
  const Handshake mode = handshake;
  const std::uint8_t status = mode == Handshake::kStatusNonZero ? kNonZeroStatus : 0;
  const Bytes answer = EncChipFrame(0x04, {0x00, 0x00, 0x01, status});
  if (mode == Handshake::kSilence) return;
  const std::size_t size = mode == Handshake::kShortAnswer ? kShortAnswerSize : answer.size();
  SendAll(end, answer.data(), size);
}

}  // namespace vantel_test
