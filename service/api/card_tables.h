#pragma once
// The service's tables for a card's coded fields: the nation of a resident identity card and
// the nationality of a foreign permanent resident card as a Chinese country name.
#include <cstddef>

namespace lumarin {

// The longest nation name (8 bytes) and its NUL, with room to spare.
constexpr std::size_t kNationNameBufferSize = 10;

// The nation name of a decimal code text into `out` (kNationNameBufferSize bytes, zero-filled
// first): empty for a code outside 1..99 or no text. Always 0.
int LookupNationName(const char* codeText, char* out);

struct CountryName {
  const char* code;  // three letters, as the card carries them
  const char* name;  // ANSI
};
constexpr std::size_t kCountryCount = 239;
// Searched in this order; no code occurs twice.
extern const CountryName CountryNames[kCountryCount];
// The longest name (24 bytes) and its NUL.
constexpr std::size_t kCountryNameBufferSize = 25;

// The country name of a three-letter code (whole and case-sensitive) into `out`
// (kCountryNameBufferSize bytes): 0 when the code is in the table; -2 and "其他国家" when it
// is not; -1 when code or out is null.
int LookupCountryName(const char* code, char* out);

}  // namespace lumarin
