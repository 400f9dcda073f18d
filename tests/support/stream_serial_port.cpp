#include "support/stream_serial_port.h"

#include <algorithm>

namespace vantel_test {

void StreamSerialPort::ArriveNext() {
  if (pieces_.empty()) return;
  queue_.insert(queue_.end(), pieces_.front().begin(), pieces_.front().end());
  pieces_.pop_front();
}

bool StreamSerialPort::Write(const std::uint8_t* data, std::size_t length, std::size_t* done) {
  written_.insert(written_.end(), data, data + length);
  *done = length;
  return true;
}

bool StreamSerialPort::Read(std::uint8_t* buffer, std::size_t capacity, std::size_t* done) {
  readSizes_.push_back(capacity);
  if (queue_.empty()) ArriveNext();
  *done = std::min(capacity, queue_.size());
  std::copy_n(queue_.begin(), *done, buffer);
  queue_.erase(queue_.begin(), queue_.begin() + static_cast<std::ptrdiff_t>(*done));
  return true;
}

bool StreamSerialPort::PurgeReceive() {
  purged_ = true;
  queue_.clear();
  return true;
}

bool StreamSerialPort::QueuedCount(std::uint32_t* count) {
  if (failNextPoll_) {
    failNextPoll_ = false;
    return false;
  }
  ArriveNext();
  *count = static_cast<std::uint32_t>(queue_.size());
  return true;
}

}  // namespace vantel_test
