// The identity-card exports: search, select, base-message read, the SAM id as text, the
// card kind and the decoders of its fields.
#include "library/cards/idcard/base_msg_read.h"
#include "library/cards/idcard/card_kinds.h"
#include "library/cards/idcard/card_search.h"
#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL ZRT_StartFindIDCard(int iPortID, int* out, int iIfOpen) {
  return vantel::StartFindIdCard(iPortID, out, iIfOpen);
}
int VANTEL_STDCALL ZRT_SelectIDCard(int iPortID, int* out, int iIfOpen) {
  return vantel::SelectIdCard(iPortID, out, iIfOpen);
}
int VANTEL_STDCALL ZRT_ReadBaseMsg(int iPortID, unsigned char* text, unsigned* puiCHMsgLen,
                                   unsigned char* photo, unsigned* puiPHMsgLen, int iIfOpen) {
  return vantel::ReadBaseMsg(iPortID, text, puiCHMsgLen, photo, puiPHMsgLen, iIfOpen);
}
int VANTEL_STDCALL ZRT_ReadBaseMsgToFile(int iPortID, const char* textFile, unsigned* puiCHMsgLen,
                                         const char* photoFile, unsigned* puiPHMsgLen, int iIfOpen) {
  return vantel::ReadBaseMsgToFile(iPortID, textFile, puiCHMsgLen, photoFile, puiPHMsgLen, iIfOpen);
}
int VANTEL_STDCALL ZRT_GetSAMIDToStr(int iPortID, char* out, int iIfOpen) {
  return vantel::GetSamIdToStr(iPortID, out, iIfOpen);
}
int VANTEL_STDCALL GetSAMIDToStr(char* out) { return vantel::GetSamIdText(out); }
int VANTEL_STDCALL CardOn() { return vantel::CardOn(); }
int VANTEL_STDCALL Authenticate() { return vantel::Authenticate(); }

}  // extern "C"

extern "C" {

int VANTEL_STDCALL Kestor_DecideIDCardType() { return vantel::DecideIdCardType(); }
int VANTEL_STDCALL ReadBaseInfos(char* name, char* gender, char* nation, char* birthDate,
                                 char* idNumber, char* address, char* authority, char* startDate,
                                 char* endDate) {
  return vantel::ReadBaseInfos(name, gender, nation, birthDate, idNumber, address, authority,
                               startDate, endDate);
}
int VANTEL_STDCALL Kestor_ReadForeignBaseInfos(char* englishName, char* gender, char* cardNumber,
                                               char* nationalityCode, char* chineseName,
                                               char* birthDate, char* startDate, char* endDate) {
  char* const fields[] = {englishName, gender,    cardNumber, nationalityCode,
                          chineseName, birthDate, startDate,  endDate};
  return vantel::ReadForeignBaseInfos(fields);
}
int VANTEL_STDCALL Kestor_ReadAllForeignBaseInfos(char* englishName, char* gender, char* cardNumber,
                                                  char* nationalityCode, char* chineseName,
                                                  char* birthDate, char* startDate, char* endDate,
                                                  char* cardVersion, char* authorityCode,
                                                  char* cardType, char* reserved) {
  char* const fields[] = {englishName, gender,    cardNumber, nationalityCode,
                          chineseName, birthDate, startDate,  endDate,
                          cardVersion, authorityCode, cardType, reserved};
  return vantel::ReadAllForeignBaseInfos(fields);
}
int VANTEL_STDCALL Kestor_ReadAllGATBaseInfos(char* name, char* gender, char* reserved1,
                                              char* birthDate, char* address, char* idNumber,
                                              char* authority, char* startDate, char* endDate,
                                              char* passNumber, char* issueCount, char* reserved2,
                                              char* cardType, char* reserved3) {
  char* const fields[] = {name,      gender,  reserved1,  birthDate,  address,
                          idNumber,  authority, startDate, endDate,   passNumber,
                          issueCount, reserved2, cardType,  reserved3};
  return vantel::ReadAllGatBaseInfos(fields);
}

}  // extern "C"
