#pragma once
// The contactless cards besides the identity card, as the reader simulator models them:
// M1 memory cards and CPU cards. The reader's commands for them (and for its PSAM slots)
// are registered by every simulator.
#include <cstdint>
#include <vector>

#include "support/reader_sim.h"

namespace vantel_test {

constexpr std::uint8_t kM1S50Type = 0x08;
constexpr std::uint8_t kM1FortySectorType = 0x18;
constexpr std::uint8_t kM1PagesType = 0x00;

// An M1 card as the reader addresses it: sectors of four blocks (the 16-block sectors of the
// 40-sector card arrive as four such sectors each), block 3 of each holding key A (bytes
// 0..5) and key B (bytes 10..15); or, for type 00, 256 pages of 4 bytes, read 16 at a time.
// Authentication holds for one sector; a wrong key refuses and clears it. Its serial is the
// UID.
struct SimM1Card : SimContactlessCard {
  explicit SimM1Card(std::uint8_t type = kM1S50Type);

  bool IsPages() const { return typeByte == kM1PagesType; }
  // Block `block` (0..3) of the reader's sector `sector`; pages: page `block`.
  Bytes& Block(int sector, int block);
  bool Authenticate(int sector, std::uint8_t keyType, const Bytes& key);

  Bytes atqa{0x04, 0x00};
  std::vector<Bytes> blocks;
  int authenticatedSector = -1;
  bool selected = false;
  bool halted = false;
};

// A CPU card (type 20 or 28) with one 512-byte binary file: SELECT, READ BINARY (up to 256
// bytes and the status word) and UPDATE BINARY.
struct SimCpuCard : SimContactlessCard {
  explicit SimCpuCard(std::uint8_t type = 0x20);

  Bytes Apdu(const Bytes& command);

  Bytes ats{0x05, 0x78, 0x80, 0x70, 0x02};
  bool powered = false;
  Bytes file;
  std::vector<Bytes> apdus;  // every APDU received
  Bytes pps;                 // the last PPS parameters
};

}  // namespace vantel_test
