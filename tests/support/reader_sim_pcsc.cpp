#include "support/reader_sim_pcsc.h"

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

}  // namespace

ApduAnswerer PseudoApduAnswerer(FrameAnswerer frames, ApduAnswerer readerCodes,
                                PacketAnswerer packets) {
  auto pending = std::make_shared<std::vector<Bytes>>();
  return [frames, readerCodes, packets, pending](const Bytes& apdu) -> Bytes {
    if (!apdu.empty() && apdu[0] != 0xFF) return readerCodes(apdu);
    if (apdu.size() < 5) return kInstructionNotSupported;
    const Bytes data = ApduCommandData(apdu);
    // The base-message reads, plain (30 01) and with fingerprint (30 10), come in packets.
    const bool sliced = apdu[2] == 0x30 && (apdu[3] == 0x01 || apdu[3] == 0x10);
    if (packets && apdu[1] == kSamChannel && sliced && data.size() == 1) {
      if (data[0] == 0) *pending = packets(SamRequestFrame(0x30, apdu[3], {}));
      return data[0] < pending->size() ? (*pending)[data[0]] : kNoSuchPacket;
    }
    if (apdu[1] == kSamChannel) return frames(SamRequestFrame(apdu[2], apdu[3], data));
    if (apdu[1] == kReaderChannel) return readerCodes(apdu);
    return kInstructionNotSupported;
  };
}

VirtualCard::VirtualCard(int port, ApduAnswerer answerer) : answerer_(std::move(answerer)) {
  socket_ = ConnectLocal(port);
  connected_ = socket_ != kNoSocket;
  if (connected_) thread_ = std::thread([this] { Serve(); });
}

VirtualCard::~VirtualCard() {
  if (socket_ == kNoSocket) return;
  // Winsock does not wake a blocked receive on shutdown alone: the socket is closed too, and
  // the serving thread only reads it until then.
  ShutdownLocal(socket_);
  CloseLocal(socket_);
  thread_.join();
}

std::vector<Bytes> VirtualCard::Apdus() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return apdus_;
}

void VirtualCard::Serve() {
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
  connected_ = false;
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

}  // namespace vantel_test
