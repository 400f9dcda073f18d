#pragma once
// The three layouts of the card's 256-byte text (UCS-2 little-endian) and the card kind
// that chooses among them. Shared by the library's decoders and the service's.
#include <cstddef>
#include <cstdint>

namespace vantel {

enum CardKind : int {
  kResidentCard = 100,
  kForeignCard = 101,    // foreign permanent resident ID card
  kPermitCard = 102,     // Hong Kong, Macao or Taiwan residence permit
};

constexpr std::size_t kCardKindAt = 248;
constexpr std::uint8_t kForeignMark = 'I';
constexpr std::uint8_t kPermitMark = 'J';

// The kind by byte 248 with byte 249 zero; anything else is a resident card.
CardKind DecideCardKind(const std::uint8_t* text);

enum class FieldConversion { kText, kTrimmed, kGender, kNation };

// One field: where its characters stand, how many, the size of the caller's buffer.
struct FieldLayout {
  std::size_t offset;
  std::size_t chars;
  std::size_t bytes;
  FieldConversion conversion;
};

// In the order of the decoding exports' arguments.
constexpr std::size_t kResidentFieldCount = 9;
constexpr std::size_t kForeignFieldCount = 12;
constexpr std::size_t kForeignShortFieldCount = 8;  // the first eight of the foreign layout
constexpr std::size_t kPermitFieldCount = 14;
constexpr std::size_t kForeignAuthorityField = 9;
extern const FieldLayout kResidentLayout[kResidentFieldCount];
extern const FieldLayout kForeignLayout[kForeignFieldCount];
extern const FieldLayout kPermitLayout[kPermitFieldCount];

// Each field of `layout` from `text` into its buffer in `fields`.
void DecodeRecord(const std::uint8_t* text, const FieldLayout* layout, std::size_t count,
                  char* const* fields);

}  // namespace vantel
