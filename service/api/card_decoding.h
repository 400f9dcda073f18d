#pragma once
// The service's own reading of a card's 256-byte text record (UCS-2 little-endian): the card
// kind, and one decoder per kind into ANSI (GBK) strings. The conversions, layouts and nation
// names are the library's; the service adds the ID-number rule for permits, the nation code
// read as a number and the country name of a foreign card.
#include <cstddef>

#include "library/answers/card_answer.h"

namespace lumarin {

constexpr std::size_t kCardTextSize = 256;

// 100 resident identity card, 101 foreign permanent resident card, 102 Hong Kong, Macao or
// Taiwan residence permit: by the kind character at byte 248 (its high byte 0), else a
// resident record whose ID number begins "81", "82" or "83" is a permit.
int DecideIDCardType(const unsigned char* text);

// Every output is a caller buffer that holds twice the field's characters and a NUL (the
// nation kNationNameBufferSize, the country name kCountryNameBufferSize bytes). Names,
// addresses and authorities lose their trailing blanks, but a blank-only field keeps one.
// The results carry nothing.
int DecodeIdCardText(const unsigned char* text, char* name, char* gender, char* nation,
                     char* birth, char* idNumber, char* address, char* authority, char* start,
                     char* end);
int DecodeForeignCardText(const unsigned char* text, char* englishName, char* gender,
                          char* cardNumber, char* countryName, char* chineseName, char* birth,
                          char* start, char* end, char* cardVersion, char* authorityCode,
                          char* cardType, char* reserved);
int DecodeGatCardText(const unsigned char* text, char* name, char* gender, char* reserved1,
                      char* birth, char* address, char* idNumber, char* authority, char* start,
                      char* end, char* passNumber, char* issueCount, char* reserved2,
                      char* cardType, char* reserved3);

// The answer fields of a record of kind `kind`: a foreign card's country name as its nation,
// a permit's certType by its pass number, the gender digit, every value trimmed.
vantel::CardAnswerFields CardAnswerFieldsOf(const unsigned char* text, int kind);

}  // namespace lumarin
