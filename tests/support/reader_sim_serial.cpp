#include "support/reader_sim_serial.h"

#include <chrono>

namespace vantel_test {
namespace {

constexpr std::size_t kReceiveChunk = 4096;
constexpr int kReceiveWaitMs = 5;

}  // namespace

SerialAttachment::SerialAttachment(ReaderSim& sim, int portNumber)
    : sim_(sim), peer_(SerialPeer::Attach(portNumber)) {
  if (peer_) thread_ = std::thread([this] { Serve(); });
}

SerialAttachment::~SerialAttachment() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void SerialAttachment::Serve() {
  while (!stop_) {
    Bytes got = peer_->Receive(kReceiveChunk, kReceiveWaitMs);
    if (got.empty()) continue;
    for (const Reply& reply : sim_.Feed(got.data(), got.size())) Play(reply);
  }
}

// A serial line cannot be closed by the reader, so a reply that ends the connection
// simply stops where it is.
void SerialAttachment::Play(const Reply& reply) {
  for (const Piece& piece : reply.pieces) {
    if (stop_) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(piece.delayMs));
    peer_->Send(piece.bytes);
  }
}

}  // namespace vantel_test
