#pragma once
// The fingerprint base-message answer frame the chip passes on from the SAM: big-endian
// text, photo and fingerprint lengths at bytes 10, 12 and 14, the text from byte 16, the
// photo right after it, the fingerprint after that.
#include <cstddef>
#include <cstdint>

namespace vantel {

constexpr int kChipTextCap = 256;
constexpr int kChipPhotoCap = 1024;
constexpr int kChipFingerprintCap = 1024;

// Each length capped (256, 1024, 1024), each output zero-filled for its length and filled
// with what the frame's `frameLength` bytes hold of it. Outputs hold their caps.
void SplitChipBaseMsg(const std::uint8_t* frame, std::size_t frameLength, std::uint8_t* text, int* textLen,
                      std::uint8_t* photo, int* photoLen, std::uint8_t* fp, int* fpLen);

}  // namespace vantel
