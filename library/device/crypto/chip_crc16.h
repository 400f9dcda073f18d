#pragma once
// The encryption chip's frame check: CRC-16/XMODEM (polynomial 0x1021, initial value 0, no
// reflection, no final XOR), a nibble at a time.
#include <cstddef>
#include <cstdint>

namespace vantel {

std::uint16_t ChipCrc16(const std::uint8_t* data, std::size_t length);

}  // namespace vantel
