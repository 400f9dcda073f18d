#pragma once
// The far end of a serial line that the library opens as a COM port: natively a real
// pseudo-terminal, under wine a line that the test script maps to a COM port. Under wine
// all test programs share those lines, so each program keeps to COM numbers of its own
// (device: 1, 3-6, 10, 256; frames: 7; ports: 8; PC/SC ports: 9; exports: 11; contactless
// cards: 12; device commands: 13; identity cards: 14, 16, 17; free: 2, 15).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vantel_test {

class SerialPeer {
 public:
  // Null when no line can be had for `portNumber`.
  static std::unique_ptr<SerialPeer> Attach(int portNumber);
  virtual ~SerialPeer() = default;
  virtual bool Send(const std::vector<std::uint8_t>& bytes) = 0;
  // What arrives within `waitMs`, at most `atMost` bytes; returns early once that many came.
  virtual std::vector<std::uint8_t> Receive(std::size_t atMost, int waitMs) = 0;
  // Whether the library's end of the line is still open.
  virtual bool IsHeldOpen() = 0;
};

}  // namespace vantel_test
