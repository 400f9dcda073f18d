#pragma once
// The serial attachment of the reader simulator: it serves the far end of the line that
// the library opens as a COM port (a real pseudo-terminal natively, see serial_peer.h).
#include <atomic>
#include <memory>
#include <thread>

#include "support/reader_sim.h"
#include "support/serial_peer.h"

namespace vantel_test {

class SerialAttachment {
 public:
  // Serves `sim` on COM `portNumber` until destroyed.
  SerialAttachment(ReaderSim& sim, int portNumber);
  ~SerialAttachment();
  SerialAttachment(const SerialAttachment&) = delete;
  SerialAttachment& operator=(const SerialAttachment&) = delete;

  // False when no line could be had for the port.
  bool IsAttached() const { return peer_ != nullptr; }
  // Bytes sent without a request, as line noise or a late answer.
  bool SendRaw(const Bytes& bytes) { return peer_->Send(bytes); }
  // Whether the library still holds its end of the line open.
  bool IsHeldOpen() { return peer_->IsHeldOpen(); }

 private:
  void Serve();
  void Play(const Reply& reply);

  ReaderSim& sim_;
  std::unique_ptr<SerialPeer> peer_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace vantel_test
