#include "support/reader_sim_pcsc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>

#include "support/local_socket.h"
#include "support/reader_sim.h"

namespace vantel_test {
namespace {

constexpr std::uint8_t kAtrRequest = 4;
// T=1 is negotiated with this answer to reset.
const Bytes kAtrBytes{0x3B, 0x80, 0x80, 0x01, 0x01};
const Bytes kInstructionNotSupported{0x6D, 0x00};
// Asked for a packet past the end of the answer.
const Bytes kNoSuchPacket{0x6A, 0x82};
constexpr std::uint8_t kSamChannel = 0x98;
constexpr std::uint8_t kReaderChannel = 0x97;

// The new-address read comes in packets of 250 bytes of the PC/SC readers' own form of the
// answer, whose record lies two bytes later than in the SAM frame (after two zero bytes).
constexpr std::uint8_t kNewAddressCommand[] = {0x30, 0x03};
constexpr std::size_t kNewAddressPacketSize = 250;
constexpr std::size_t kNewAddressRecordAt = 10;

bool IsNewAddressPacket(const Bytes& apdu) {
  return apdu.size() == 7 && apdu[2] == kNewAddressCommand[0] && apdu[3] == kNewAddressCommand[1] &&
         apdu[4] == 1;
}

Bytes NewAddressPacket(const Bytes& frame, std::uint8_t packet) {
  Bytes whole(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(std::min(frame.size(), kNewAddressRecordAt)));
  whole.insert(whole.end(), {0x00, 0x00});
  if (frame.size() > kNewAddressRecordAt)
    whole.insert(whole.end(), frame.begin() + kNewAddressRecordAt, frame.end());
  const std::size_t from = std::min(whole.size(), packet * kNewAddressPacketSize);
  const std::size_t to = std::min(whole.size(), from + kNewAddressPacketSize);
  return Bytes(whole.begin() + static_cast<std::ptrdiff_t>(from), whole.begin() + static_cast<std::ptrdiff_t>(to));
}

// The base-message reads, plain (30 01) and with fingerprint (30 10), come in packets.
bool IsBaseMessagePacket(const Bytes& apdu) {
  return apdu.size() == 7 && apdu[2] == 0x30 && (apdu[3] == 0x01 || apdu[3] == 0x10) &&
         apdu[4] == 1;
}

// The cards that serve a whole test program. Registered before main, so that the end of
// the tests stops them while main still runs.
class ProgramLongCards : public ::testing::Environment {
 public:
  VirtualCard* Add(std::unique_ptr<VirtualCard> card) {
    cards_.push_back(std::move(card));
    return cards_.back().get();
  }
  void TearDown() override { cards_.clear(); }

 private:
  std::vector<std::unique_ptr<VirtualCard>> cards_;
};

ProgramLongCards* const programLongCards =
    static_cast<ProgramLongCards*>(::testing::AddGlobalTestEnvironment(new ProgramLongCards));

}  // namespace

ApduAnswerer PseudoApduAnswerer(FrameAnswerer frames, ApduAnswerer readerCodes,
                                PacketAnswerer packets) {
  auto pending = std::make_shared<std::vector<Bytes>>();
  return [frames, readerCodes, packets, pending](const Bytes& apdu) -> Bytes {
    if (!apdu.empty() && apdu[0] != 0xFF) return readerCodes(apdu);
    if (apdu.size() < 5) return kInstructionNotSupported;
    const Bytes data = ApduCommandData(apdu);
    if (packets && apdu[1] == kSamChannel && IsBaseMessagePacket(apdu)) {
      const std::uint8_t packet = apdu[5];
      if (packet == 0) *pending = packets(SamRequestFrame(0x30, apdu[3], {}));
      return packet < pending->size() ? (*pending)[packet] : kNoSuchPacket;
    }
    if (apdu[1] == kSamChannel && IsNewAddressPacket(apdu))
      return NewAddressPacket(frames(SamRequestFrame(apdu[2], apdu[3], data)), apdu[5]);
    if (apdu[1] == kSamChannel) return frames(SamRequestFrame(apdu[2], apdu[3], data));
    if (apdu[1] == kReaderChannel) return readerCodes(apdu);
    return kInstructionNotSupported;
  };
}

VirtualCard::VirtualCard(int port, ApduAnswerer answerer) : port_(port), answerer_(std::move(answerer)) {
  socket_ = ConnectLocal(port);
  connected_ = socket_ != kNoSocket;
  if (connected_) thread_ = std::thread([this] { Serve(); });
}

VirtualCard::~VirtualCard() {
  if (socket_ == kNoSocket) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    ShutdownLocal(socket_);
#if defined(_WIN32)
    // Winsock does not wake a blocked receive on shutdown alone: the socket is closed too, and
    // the serving thread only reads it until then.
    CloseLocal(socket_);
#endif
  }
  thread_.join();
#if !defined(_WIN32)
  // Closed only once its receive has ended, so that no other descriptor can take its number.
  CloseLocal(socket_);
#endif
}

// Shut down only: the serving thread's receive ends once the reader side has let go of it.
void VirtualCard::TakeOut() {
  std::lock_guard<std::mutex> lock(mutex_);
  out_ = true;
  ShutdownLocal(socket_);
}

void VirtualCard::PutIn() {
  std::lock_guard<std::mutex> lock(mutex_);
  out_ = false;
}

std::vector<Bytes> VirtualCard::Apdus() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return apdus_;
}

void VirtualCard::Serve() {
  do {
    ServeConnection();
    connected_ = false;
  } while (Reconnect());
}

// The restarted service's vpcd listens on the same port again. A card taken out waits to
// be put in.
bool VirtualCard::Reconnect() {
  constexpr int kRetryMs = 50;
  for (;;) {
    std::this_thread::sleep_for(std::chrono::milliseconds(kRetryMs));
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (out_ && !stopping_) continue;
    }
    const LocalSocket again = ConnectLocal(port_);
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_) {
      if (again != kNoSocket) CloseLocal(again);
      return false;
    }
    if (again == kNoSocket) continue;
    CloseLocal(socket_);
    socket_ = again;
    connected_ = true;
    return true;
  }
}

void VirtualCard::ServeConnection() {
  for (;;) {
    std::uint8_t header[2];
    if (!ReceiveAll(socket_, header, sizeof header)) break;
    Bytes message(static_cast<std::size_t>(header[0] << 8 | header[1]));
    if (!ReceiveAll(socket_, message.data(), message.size())) break;
    const Bytes answer = Answer(message);
    if (answer.empty()) continue;
    const std::uint8_t length[2] = {static_cast<std::uint8_t>(answer.size() >> 8),
                                    static_cast<std::uint8_t>(answer.size())};
    if (!SendAll(socket_, length, sizeof length) || !SendAll(socket_, answer.data(), answer.size()))
      break;
  }
}

// Power and reset controls need no answer.
Bytes VirtualCard::Answer(const Bytes& message) {
  if (message.size() == 1) return message[0] == kAtrRequest ? kAtrBytes : Bytes{};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    apdus_.push_back(message);
  }
  return answerer_(message);
}

VirtualCard* ProgramLongVirtualCard(int port, ApduAnswerer answerer) {
  return programLongCards->Add(std::make_unique<VirtualCard>(port, std::move(answerer)));
}

}  // namespace vantel_test
