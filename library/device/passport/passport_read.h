#pragma once
// Finding and opening an e-passport chip on a PC/SC passport reader: Basic Access Control
// from the MRZ's second line, then secure-messaging reads of EF.COM, DG1, DG11, DG2 and DG15,
// each checked by its MAC and its tag. Nothing read leaves the call.
namespace vantel {

// Results of ReadPassport: 0 success, otherwise the step that failed.
enum PassportResult : int {
  kPassportRead = 0,
  kDocumentNumberCheckDigit = -1,
  kBirthDateCheckDigit = -2,
  kExpiryCheckDigit = -3,
  kGetChallengeFailed = -4,
  kMutualAuthenticateFailed = -5,
  kChipAuthenticationMac = -6,
  kComFirstReadStatus = -7,
  kComFirstReadMac = -8,
  kComTag = -9,
  kComSecondReadStatus = -10,
  kComSecondReadMac = -11,
  kGroupFirstReadStatus = -12,
  kGroupFirstReadMac = -13,
  kGroupTag = -14,
  kGroupSecondReadStatus = -15,
  kGroupSecondReadMac = -16,
  // Not a PC/SC reader with a card, or the chip has no eMRTD application.
  kNoPassportApplication = -17,
  // No MRZ line, or not 44 characters.
  kMrzNotOneLine = -18,
  // The system's random source failed.
  kNoRandomValues = -19,
};

// 1 when the eMRTD application answers its SELECT with 90 00; 0 otherwise or on another port.
int FindPassport();
int ReadPassport(const char* mrz);

}  // namespace vantel
