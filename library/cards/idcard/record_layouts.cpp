#include "library/cards/idcard/record_layouts.h"

#include "library/cards/idcard/card_text.h"
#include "library/cards/idcard/nation_table.h"

namespace vantel {
namespace {

using C = FieldConversion;

void DecodeField(const std::uint8_t* text, const FieldLayout& field, char* out) {
  const std::uint8_t* at = text + field.offset;
  switch (field.conversion) {
    case C::kGender:
      GenderText(at, out);
      return;
    case C::kNation:
      NationText(at, out);
      return;
    case C::kText:
    case C::kTrimmed:
      ConvertCardText(at, field.chars, out, field.bytes);
      if (field.conversion == C::kTrimmed) TrimTrailingBlanks(out, field.bytes);
      return;
  }
}

}  // namespace

// name, gender, nation, birth date, ID number, address, authority, start, end
const FieldLayout kResidentLayout[kResidentFieldCount] = {
    {0, 15, 31, C::kTrimmed}, {30, 1, 3, C::kGender},    {32, 2, 10, C::kNation},
    {36, 8, 9, C::kText},     {122, 18, 19, C::kText},   {52, 35, 71, C::kTrimmed},
    {158, 15, 31, C::kTrimmed}, {188, 8, 9, C::kText},   {204, 8, 9, C::kText}};

// English name, gender, card number, nationality code, Chinese name, birth date, start,
// end, card version, authority code, card type, reserved
const FieldLayout kForeignLayout[kForeignFieldCount] = {
    {0, 60, 121, C::kTrimmed}, {120, 1, 3, C::kGender}, {122, 15, 30, C::kText},
    {152, 3, 6, C::kText},     {158, 15, 31, C::kTrimmed}, {220, 8, 9, C::kText},
    {188, 8, 9, C::kText},     {204, 8, 9, C::kText},   {236, 2, 5, C::kText},
    {240, 4, 9, C::kText},     {248, 1, 2, C::kText},   {250, 3, 7, C::kText}};

// name, gender, reserved, birth date, address, ID number, authority, start, end, pass
// number, issue count, reserved, card type, reserved
const FieldLayout kPermitLayout[kPermitFieldCount] = {
    {0, 15, 31, C::kTrimmed}, {30, 1, 3, C::kGender}, {32, 2, 5, C::kText},
    {36, 8, 9, C::kText},     {52, 35, 71, C::kText}, {122, 18, 19, C::kText},
    {158, 15, 31, C::kText},  {188, 8, 9, C::kText},  {204, 8, 9, C::kText},
    {220, 9, 19, C::kText},   {238, 2, 5, C::kText},  {242, 3, 7, C::kText},
    {248, 1, 2, C::kText},    {250, 3, 7, C::kText}};

CardKind DecideCardKind(const std::uint8_t* text) {
  if (text[kCardKindAt + 1] != 0) return kResidentCard;
  if (text[kCardKindAt] == kForeignMark) return kForeignCard;
  if (text[kCardKindAt] == kPermitMark) return kPermitCard;
  return kResidentCard;
}

void DecodeRecord(const std::uint8_t* text, const FieldLayout* layout, std::size_t count,
                  char* const* fields) {
  for (std::size_t i = 0; i < count; ++i) DecodeField(text, layout[i], fields[i]);
}

}  // namespace vantel
