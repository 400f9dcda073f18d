#include "library/cards/simple/simple_record.h"

#include <algorithm>
#include <cstring>

#include "library/cards/idcard/record_layouts.h"

namespace vantel {
namespace {

// Where each field of the resident layout stands in the record, and its room there.
struct RecordSlot {
  std::size_t at;
  std::size_t room;
};

// In the resident layout's order: name, gender, nation, birth date, ID number, address,
// authority, start, end.
constexpr RecordSlot kSlots[kResidentFieldCount] = {
    {0, 30}, {31, 2}, {34, 10}, {44, 8}, {124, 18}, {53, 70}, {143, 30}, {174, 8}, {183, 8}};

}  // namespace

void FillSimpleCardRecord(const std::uint8_t* text, char* record) {
  char buffers[kResidentFieldCount][80] = {};
  char* fields[kResidentFieldCount];
  for (std::size_t i = 0; i < kResidentFieldCount; ++i) fields[i] = buffers[i];
  DecodeRecord(text, kResidentLayout, kResidentFieldCount, fields);
  for (std::size_t i = 0; i < kResidentFieldCount; ++i)
    std::memcpy(record + kSlots[i].at, buffers[i],
                std::min(kSlots[i].room, std::strlen(buffers[i])));
}

}  // namespace vantel
