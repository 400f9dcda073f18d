#pragma once
// The identity-card answer and its signature, shared by the library's card reads and the
// service's: members per card kind, certType, gender code, the photo texts.
#include <string>

namespace vantel {

// The member values of one card answer, in the ANSI code page.
struct CardAnswerFields {
  int certType = 1;  // 1 resident, 50 foreign, 54 or 55 permit
  std::string partyName;
  std::string gender;  // "1" or "0"
  std::string nation;
  std::string bornDay;
  std::string certAddress;
  std::string certNumber;
  std::string certOrg;
  std::string effDate;
  std::string expDate;
};

// The base64 texts of an answer. The three card images are answered only with `withImages`.
struct CardPictures {
  std::string identityPic;
  bool withImages = false;
  std::string identityPrintPic;
  std::string identityFrontPic;
  std::string identityBackPic;
  std::string identityPhotoSrc;
};

constexpr int kResidentCertType = 1;
constexpr int kForeignCertType = 50;
// A permit whose pass number begins with "H" or "M" is 54, any other 55.
int PermitCertType(const std::string& passNumber);
// "1" for the gender text "男", else "0".
std::string GenderCode(const std::string& genderText);

// Trailing blanks off every text field.
void TrimCardFields(CardAnswerFields& fields);

// SHA-1 as 40 lower-case hex digits over the certType text, the nine text fields in their
// UTF-8 forms (gender between name and nation), the photo's base64 text and the signature
// key, all joined without separators. Fields are taken as they stand: trim them first.
std::string CardSignature(const CardAnswerFields& fields, const std::string& identityPic);

// The whole success answer: fields trimmed, signed, escaped and placed in their order.
std::string FormatCardAnswer(CardAnswerFields fields, const CardPictures& pictures);

}  // namespace vantel
