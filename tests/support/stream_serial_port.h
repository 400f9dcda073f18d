#pragma once
// An in-process serial port whose answer bytes arrive in scripted pieces: each poll of
// the receive queue lets the next piece arrive, and a read that finds nothing waits for
// the next piece as a blocking read would. It logs the size of every read asked for.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/serial_port.h"

namespace vantel_test {

class StreamSerialPort : public platform::SerialPort {
 public:
  using Bytes = std::vector<std::uint8_t>;

  void AddPiece(const Bytes& bytes) { pieces_.push_back(bytes); }
  // A communication error reported by the next poll of the queue.
  void FailNextPoll() { failNextPoll_ = true; }

  const std::vector<std::size_t>& ReadSizes() const { return readSizes_; }
  const Bytes& Written() const { return written_; }
  bool Purged() const { return purged_; }

  bool Write(const std::uint8_t* data, std::size_t length, std::size_t* done) override;
  bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t* done) override;
  bool SetTimeouts(const platform::SerialTimeouts&) override { return true; }
  bool Configure(int) override { return true; }
  bool SetupQueues(std::uint32_t, std::uint32_t) override { return true; }
  bool PurgeReceive() override;
  bool QueuedCount(std::uint32_t* count) override;

 private:
  void ArriveNext();

  std::deque<Bytes> pieces_;
  std::deque<std::uint8_t> queue_;
  std::vector<std::size_t> readSizes_;
  Bytes written_;
  bool failNextPoll_ = false;
  bool purged_ = false;
};

}  // namespace vantel_test
