#pragma once
// Hex text to bytes and back, for tests that state published values in hex.
#include <cstdint>
#include <string>
#include <vector>

namespace vantel_test {

// Blanks are skipped; upper or lower case.
std::vector<std::uint8_t> FromHex(const std::string& text);
// Upper case, no separators.
std::string ToHex(const std::uint8_t* bytes, std::size_t length);
inline std::string ToHex(const std::vector<std::uint8_t>& bytes) { return ToHex(bytes.data(), bytes.size()); }

}  // namespace vantel_test
