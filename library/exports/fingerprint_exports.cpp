// The fingerprint reads: the standard read under both of its names, its file form, the kind
// decision, the reader test and the simplified and photo-saving forms.
#include "library/cards/fingerprint/fp_read.h"
#include "library/cards/fingerprint/fp_reads.h"
#include "library/exports/stdcall.h"

extern "C" {

int VANTEL_STDCALL ZRT_ReadBaseMsgFingerPrint(int iPortID, unsigned char* text, unsigned* textLen,
                                              unsigned char* photo, unsigned* photoLen,
                                              unsigned char* fingerprint, unsigned* fingerprintLen,
                                              int iIfOpen) {
  const vantel::FPBaseMsgOut out{text, textLen, photo, photoLen, fingerprint, fingerprintLen};
  return vantel::ReadFPBaseMsg(iPortID, out, iIfOpen);
}
int VANTEL_STDCALL ZRT_ReadBaseFPMsg(int iPortID, unsigned char* text, unsigned* textLen,
                                     unsigned char* photo, unsigned* photoLen,
                                     unsigned char* fingerprint, unsigned* fingerprintLen,
                                     int iIfOpen) {
  return ZRT_ReadBaseMsgFingerPrint(iPortID, text, textLen, photo, photoLen, fingerprint,
                                    fingerprintLen, iIfOpen);
}
int VANTEL_STDCALL ZRT_ReadBaseFPMsgToFile(int iPortID, const char* textFile, unsigned* textLen,
                                           const char* photoFile, unsigned* photoLen,
                                           const char* fingerprintFile, unsigned* fingerprintLen,
                                           int iIfOpen) {
  return vantel::ReadFPBaseMsgToFile(iPortID, textFile, textLen, photoFile, photoLen,
                                     fingerprintFile, fingerprintLen, iIfOpen);
}
int VANTEL_STDCALL Kestor_DecideFPIDCardType() { return vantel::DecideFPIdCardType(); }
int VANTEL_STDCALL IsFingerPrintDevice() { return vantel::IsFingerPrintDevice(); }

int VANTEL_STDCALL ReadBaseFPMsg(char* record, int* recordLen, unsigned char* fingerprint,
                                 unsigned* fingerprintLen) {
  return vantel::ReadBaseFPMsgRecord(record, recordLen, fingerprint, fingerprintLen);
}
int VANTEL_STDCALL ReadBaseInfosFPPhoto(char* name, char* gender, char* nation, char* birthDate,
                                        char* idNumber, char* address, char* authority,
                                        char* startDate, char* endDate, const char* folder,
                                        unsigned char* fingerprint, unsigned* fingerprintLen) {
  char* const fields[] = {name,    gender,    nation,    birthDate, idNumber,
                          address, authority, startDate, endDate};
  return vantel::ReadBaseInfosFPPhoto(fields, folder, fingerprint, fingerprintLen);
}
int VANTEL_STDCALL ReadForeignBaseInfosFPPhoto(char* englishName, char* gender, char* cardNumber,
                                               char* nationalityCode, char* chineseName,
                                               char* birthDate, char* startDate, char* endDate,
                                               char* cardVersion, char* authorityCode,
                                               char* cardType, char* reserved, const char* folder,
                                               unsigned char* fingerprint,
                                               unsigned* fingerprintLen) {
  char* const fields[] = {englishName, gender,        cardNumber, nationalityCode,
                          chineseName, birthDate,     startDate,  endDate,
                          cardVersion, authorityCode, cardType,   reserved};
  return vantel::ReadForeignBaseInfosFPPhoto(fields, folder, fingerprint, fingerprintLen);
}
int VANTEL_STDCALL ReadGATBaseInfosFPPhoto(char* name, char* gender, char* reserved1,
                                           char* birthDate, char* address, char* idNumber,
                                           char* authority, char* startDate, char* endDate,
                                           char* passNumber, char* issueCount, char* reserved2,
                                           char* cardType, char* reserved3, const char* folder,
                                           unsigned char* fingerprint, unsigned* fingerprintLen) {
  char* const fields[] = {name,       gender,    reserved1, birthDate, address,
                          idNumber,   authority, startDate, endDate,   passNumber,
                          issueCount, reserved2, cardType,  reserved3};
  return vantel::ReadGatBaseInfosFPPhoto(fields, folder, fingerprint, fingerprintLen);
}

}  // extern "C"
