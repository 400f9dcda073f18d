#include "service/api/card_decoding.h"

#include <cstdint>
#include <cstring>

#include "library/cards/idcard/card_text.h"
#include "library/cards/idcard/record_layouts.h"
#include "service/api/card_tables.h"

namespace lumarin {
namespace {

const std::uint8_t* Bytes(const unsigned char* text) {
  return reinterpret_cast<const std::uint8_t*>(text);
}

// The layouts' indices of the fields that the service reads its own way.
constexpr std::size_t kResidentNation = 2;
constexpr std::size_t kResidentIdNumber = 4;
constexpr std::size_t kForeignNationality = 3;
constexpr std::size_t kPermitAddress = 4;
constexpr std::size_t kPermitAuthority = 6;

bool IsPermitIdNumber(const unsigned char* text) {
  const vantel::FieldLayout& field = vantel::kResidentLayout[kResidentIdNumber];
  char idNumber[19];
  vantel::ConvertCardText(Bytes(text) + field.offset, field.chars, idNumber, sizeof idNumber);
  return idNumber[0] == '8' && idNumber[1] >= '1' && idNumber[1] <= '3';
}

// Room for the widest decoded field (the foreign card's English name, 121 bytes).
using FieldBuffer = char[128];

}  // namespace

int DecideIDCardType(const unsigned char* text) {
  const vantel::CardKind kind = vantel::DecideCardKind(Bytes(text));
  if (kind == vantel::kResidentCard && IsPermitIdNumber(text)) return vantel::kPermitCard;
  return kind;
}

int DecodeIdCardText(const unsigned char* text, char* name, char* gender, char* nation,
                     char* birth, char* idNumber, char* address, char* authority, char* start,
                     char* end) {
  char* const fields[] = {name, gender, nation, birth, idNumber, address, authority, start, end};
  vantel::DecodeRecord(Bytes(text), vantel::kResidentLayout, vantel::kResidentFieldCount, fields);
  // The nation code is taken as a number, as atoi reads it, not as two digits only.
  const vantel::FieldLayout& field = vantel::kResidentLayout[kResidentNation];
  char code[5];
  vantel::ConvertCardText(Bytes(text) + field.offset, field.chars, code, sizeof code);
  LookupNationName(code, nation);
  return 0;
}

int DecodeForeignCardText(const unsigned char* text, char* englishName, char* gender,
                          char* cardNumber, char* countryName, char* chineseName, char* birth,
                          char* start, char* end, char* cardVersion, char* authorityCode,
                          char* cardType, char* reserved) {
  char nationality[vantel::kForeignLayout[kForeignNationality].bytes];
  char* const fields[] = {englishName, gender, cardNumber,  nationality,   chineseName, birth,
                          start,       end,    cardVersion, authorityCode, cardType,    reserved};
  vantel::DecodeRecord(Bytes(text), vantel::kForeignLayout, vantel::kForeignFieldCount, fields);
  std::memset(countryName, 0, kCountryNameBufferSize);
  LookupCountryName(nationality, countryName);
  return 0;
}

int DecodeGatCardText(const unsigned char* text, char* name, char* gender, char* reserved1,
                      char* birth, char* address, char* idNumber, char* authority, char* start,
                      char* end, char* passNumber, char* issueCount, char* reserved2,
                      char* cardType, char* reserved3) {
  char* const fields[] = {name,  gender, reserved1,  birth,      address,
                          idNumber, authority, start, end,    passNumber,
                          issueCount, reserved2, cardType, reserved3};
  vantel::DecodeRecord(Bytes(text), vantel::kPermitLayout, vantel::kPermitFieldCount, fields);
  // The service trims the permit's address and authority as it does the resident card's.
  vantel::TrimTrailingBlanks(address, vantel::kPermitLayout[kPermitAddress].bytes);
  vantel::TrimTrailingBlanks(authority, vantel::kPermitLayout[kPermitAuthority].bytes);
  return 0;
}

vantel::CardAnswerFields CardAnswerFieldsOf(const unsigned char* text, int kind) {
  FieldBuffer f[15] = {};
  vantel::CardAnswerFields fields;
  if (kind == vantel::kForeignCard) {
    DecodeForeignCardText(text, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10],
                          f[11]);
    fields = {vantel::kForeignCertType, f[0], f[1], f[3], f[5], "", f[2], f[9], f[6], f[7]};
  } else if (kind == vantel::kPermitCard) {
    DecodeGatCardText(text, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9], f[10],
                      f[11], f[12], f[13]);
    fields = {vantel::PermitCertType(f[9]), f[0], f[1], "", f[3], f[4], f[5], f[6], f[7], f[8]};
  } else {
    DecodeIdCardText(text, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8]);
    fields = {vantel::kResidentCertType, f[0], f[1], f[2], f[3], f[5], f[4], f[6], f[7], f[8]};
  }
  fields.gender = vantel::GenderCode(fields.gender);
  vantel::TrimCardFields(fields);
  return fields;
}

}  // namespace lumarin
