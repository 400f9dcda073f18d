#pragma once
// The card's text fields: UCS-2 little-endian characters into ANSI (GBK) strings in caller
// buffers of fixed size. Shared by the library's decoders and the service's.
#include <cstddef>
#include <cstdint>

namespace vantel {

// `chars` characters at `ucs2` converted into `out` (`size` bytes, zero-filled first): at
// most size - 1 bytes, so the last byte stays NUL, and a double-byte character that would
// not fit whole is left out with everything after it. Characters the code page lacks are
// dropped.
void ConvertCardText(const std::uint8_t* ucs2, std::size_t chars, char* out, std::size_t size);

// From the second-to-last byte down to the second, a blank followed by NUL becomes NUL:
// trailing blanks go, a blank-only field keeps its first blank.
void TrimTrailingBlanks(char* field, std::size_t size);

// The gender character: '1' is "男", anything else "女" (into 3 bytes).
void GenderText(const std::uint8_t* ucs2, char* out);

}  // namespace vantel
