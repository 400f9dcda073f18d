#pragma once
// One request to the HID reader's encryption chip and its answer.
#include <cstddef>
#include <cstdint>

#include "library/device/enc_chip/enc_chip_frame.h"

namespace vantel {

// A frame of one report goes out through HIDTransact; a longer one as 64-byte reports, then a
// pause of 50 ms and the first answer report. Commands 07 and 09 are written alone and read as
// long answers. Further reports of a long answer follow as the answer's LEN asks.
EncChipCheck ExchangeWithEncChip(std::uint8_t command, const std::uint8_t* args, std::size_t argsLength,
                                 EncChipAnswer* answer);

}  // namespace vantel
