#pragma once
// The 100 nation names of the resident identity card, by the two-digit code on the card.
// Shared by the library's decoders and the service's.
#include <cstddef>
#include <cstdint>

namespace vantel {

constexpr std::size_t kNationCount = 100;

// The name of code 1..99 (ANSI), or null for 0 and anything outside.
const char* NationName(int code);

// The two UCS-2 characters of the nation code as a number: -1 unless both are digits.
int NationCode(const std::uint8_t* ucs2);

// The nation's name into `out` (10 bytes, zero-filled first; empty for a code without one).
void NationText(const std::uint8_t* ucs2, char* out);

}  // namespace vantel
