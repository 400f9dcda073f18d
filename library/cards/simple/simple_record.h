#pragma once
// The simplified interface's fixed 192-byte record of a resident card's fields.
#include <cstddef>
#include <cstdint>

namespace vantel {

constexpr std::size_t kSimpleCardRecordSize = 192;

// Fills the zero-filled `record` from the card's text by the resident layout: name at 0,
// gender 31, nation 34, birth date 44, address 53, ID number 124, authority 143, start 174,
// end 183; bytes 30, 33, 52, 123, 142, 173, 182 and 191 stay NUL.
void FillSimpleCardRecord(const std::uint8_t* text, char* record);

}  // namespace vantel
