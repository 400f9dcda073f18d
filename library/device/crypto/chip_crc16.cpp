#include "library/device/crypto/chip_crc16.h"

#include <array>

namespace vantel {
namespace {

// The CRC register's change for each value of the four bits shifted out.
constexpr std::array<std::uint16_t, 16> BuildNibbleTable() {
  std::array<std::uint16_t, 16> table{};
  for (int nibble = 0; nibble < 16; ++nibble) {
    std::uint16_t crc = static_cast<std::uint16_t>(nibble << 12);
    for (int bit = 0; bit < 4; ++bit) {
      crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    table[nibble] = crc;
  }
  return table;
}
constexpr auto kNibbleTable = BuildNibbleTable();

std::uint16_t AddNibble(std::uint16_t crc, unsigned nibble) {
  return static_cast<std::uint16_t>((crc << 4) ^ kNibbleTable[((crc >> 12) ^ nibble) & 0xF]);
}

}  // namespace

std::uint16_t ChipCrc16(const std::uint8_t* data, std::size_t length) {
  std::uint16_t crc = 0;
  for (std::size_t i = 0; i < length; ++i) {
    crc = AddNibble(crc, data[i] >> 4);
    crc = AddNibble(crc, data[i] & 0xF);
  }
  return crc;
}

}  // namespace vantel
