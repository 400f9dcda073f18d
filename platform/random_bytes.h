#pragma once
// The system's cryptographic random source (BCryptGenRandom on Windows, getrandom on
// Linux), for key material.
#include <cstddef>
#include <cstdint>

namespace platform {

// Fills all `length` bytes; false when the source fails.
bool FillRandomBytes(std::uint8_t* out, std::size_t length);

}  // namespace platform
