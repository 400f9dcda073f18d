// Arbitrary bytes as the reader's answer to ReadSamFrame and ReadVendorFrame, arriving in
// pieces over an in-process serial port, into a caller buffer of arbitrary size.
// Input: byte 0 chooses the reader and the piece size, byte 1 the buffer size, the rest is
// the answer.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "library/device/device_state.h"
#include "library/device/frames.h"
#include "support/stream_serial_port.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  vantel::Settings().gComTimeout = 400;
  const bool vendor = data[0] & 0x80;
  const std::size_t pieceSize = (data[0] & 0x7F) * 8 + 1;
  // The buffer is allocated at exactly the size given, so any write past it is caught.
  const unsigned capacity = data[1] * 17u + 1;
  std::vector<std::uint8_t> out(capacity);

  vantel_test::StreamSerialPort port;
  for (std::size_t at = 2; at < size; at += pieceSize) {
    std::size_t end = at + pieceSize < size ? at + pieceSize : size;
    port.AddPiece(std::vector<std::uint8_t>(data + at, data + end));
  }
  unsigned length = capacity;
  std::uint8_t* buffer = out.data();
  if (vendor)
    vantel::ReadVendorFrame(&port, &port, vantel::kTransportSerial, buffer, &length);
  else
    vantel::ReadSamFrame(&port, &port, vantel::kTransportSerial, buffer, &length);
  return 0;
}
