// The simplified reading interface: the card's fields or record with its photo as files,
// the additional addresses and the release of the card-image library.
#include "library/cards/simple/new_address.h"
#include "library/cards/simple/simple_reads.h"
#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL ReadBaseMsg(char* record, int* recordLen) {
  return vantel::SimpleReadBaseMsg(record, recordLen);
}
int VANTEL_STDCALL ReadBaseMsgPhoto(char* record, int* recordLen, const char* folder) {
  return vantel::SimpleReadBaseMsgPhoto(record, recordLen, folder);
}
int VANTEL_STDCALL ReadBaseMsgW(unsigned char* text, int* textLen) {
  return vantel::SimpleReadBaseMsgW(text, textLen);
}
int VANTEL_STDCALL ReadBaseMsgWPhoto(unsigned char* text, int* textLen, const char* folder) {
  return vantel::SimpleReadBaseMsgWPhoto(text, textLen, folder);
}
int VANTEL_STDCALL ReadBaseInfosPhoto(char* name, char* gender, char* nation, char* birthDate,
                                      char* idNumber, char* address, char* authority,
                                      char* startDate, char* endDate, const char* folder) {
  char* const fields[] = {name,    gender,    nation,    birthDate, idNumber,
                          address, authority, startDate, endDate};
  return vantel::ReadBaseInfosPhoto(fields, folder);
}
int VANTEL_STDCALL Kestor_ReadForeignBaseInfosPhoto(char* englishName, char* gender,
                                                    char* cardNumber, char* nationalityCode,
                                                    char* chineseName, char* birthDate,
                                                    char* startDate, char* endDate,
                                                    const char* folder) {
  char* const fields[] = {englishName, gender,    cardNumber, nationalityCode,
                          chineseName, birthDate, startDate,  endDate};
  return vantel::ReadForeignBaseInfosPhoto(fields, folder);
}
int VANTEL_STDCALL Kestor_ReadAllForeignBaseInfosPhoto(
    char* englishName, char* gender, char* cardNumber, char* nationalityCode, char* chineseName,
    char* birthDate, char* startDate, char* endDate, char* cardVersion, char* authorityCode,
    char* cardType, char* reserved, const char* folder) {
  char* const fields[] = {englishName, gender,        cardNumber, nationalityCode,
                          chineseName, birthDate,     startDate,  endDate,
                          cardVersion, authorityCode, cardType,   reserved};
  return vantel::ReadAllForeignBaseInfosPhoto(fields, folder);
}
int VANTEL_STDCALL Kestor_ReadAllGATBaseInfosPhoto(char* name, char* gender, char* reserved1,
                                                   char* birthDate, char* address, char* idNumber,
                                                   char* authority, char* startDate, char* endDate,
                                                   char* passNumber, char* issueCount,
                                                   char* reserved2, char* cardType, char* reserved3,
                                                   const char* folder) {
  char* const fields[] = {name,       gender,    reserved1, birthDate, address,
                          idNumber,   authority, startDate, endDate,   passNumber,
                          issueCount, reserved2, cardType,  reserved3};
  return vantel::ReadAllGatBaseInfosPhoto(fields, folder);
}

int VANTEL_STDCALL ReadNewAppMsg(char* records, int* count) {
  using vantel::kNewAddressEntrySize;
  if (!records) return 0;
  char* const entries[] = {records, records + kNewAddressEntrySize,
                           records + 2 * kNewAddressEntrySize, records + 3 * kNewAddressEntrySize};
  return vantel::ReadNewAddresses(entries, count);
}
int VANTEL_STDCALL ReadNewAppMsgW(unsigned char* data, int* count) {
  return vantel::ReadNewAddressData(data, count);
}
int VANTEL_STDCALL ReadNewAppInfos(char* address1, char* address2, char* address3, char* address4,
                                   int* count) {
  char* const entries[] = {address1, address2, address3, address4};
  return vantel::ReadNewAddresses(entries, count);
}

int VANTEL_STDCALL releaseQuellanDll() { return vantel::ReleaseCardImageLibrary(); }

}  // extern "C"
