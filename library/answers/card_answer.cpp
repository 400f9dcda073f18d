#include "library/answers/card_answer.h"

#include "library/answers/json_result.h"
#include "library/answers/sha1_hasher.h"
#include "library/cards/string_functions.h"

namespace vantel {
namespace {

constexpr char kSignatureKey[] = "k7Pq!2wZr9@Lm4v#";
constexpr int kVenderId = 10008;

// The gender member is a bare number: whatever the field holds, it answers and signs 1 or 0.
const char* GenderDigit(const std::string& gender) { return gender == "1" ? "1" : "0"; }

std::string Field(const char* name, const std::string& value) {
  return TextMember(name, EscapeJsonText(value));
}

}  // namespace

int PermitCertType(const std::string& passNumber) {
  return !passNumber.empty() && (passNumber[0] == 'H' || passNumber[0] == 'M') ? 54 : 55;
}

std::string GenderCode(const std::string& genderText) { return genderText == "男" ? "1" : "0"; }

void TrimCardFields(CardAnswerFields& fields) {
  for (std::string* text : {&fields.partyName, &fields.gender, &fields.nation, &fields.bornDay,
                            &fields.certAddress, &fields.certNumber, &fields.certOrg,
                            &fields.effDate, &fields.expDate})
    TrimRight(*text);
}

std::string CardSignature(const CardAnswerFields& fields, const std::string& identityPic) {
  std::string input = std::to_string(fields.certType);
  input += AnsiToUtf8(fields.partyName.c_str()) + GenderDigit(fields.gender);
  for (const std::string* text : {&fields.nation, &fields.bornDay, &fields.certAddress,
                                  &fields.certNumber, &fields.certOrg, &fields.effDate,
                                  &fields.expDate})
    input += AnsiToUtf8(text->c_str());
  input += identityPic + kSignatureKey;
  return Sha1SignatureText(reinterpret_cast<const unsigned char*>(input.data()),
                           static_cast<unsigned>(input.size()));
}

std::string FormatCardAnswer(CardAnswerFields fields, const CardPictures& pictures) {
  TrimCardFields(fields);
  std::string content = "{" + NumberMember("certType", fields.certType) + "," +
                        Field("partyName", fields.partyName) + "," +
                        "\"gender\":" + GenderDigit(fields.gender) + "," +
                        Field("nation", fields.nation) + "," + Field("bornDay", fields.bornDay) +
                        "," + Field("certAddress", fields.certAddress) + "," +
                        Field("certNumber", fields.certNumber) + "," +
                        Field("certOrg", fields.certOrg) + "," + Field("effDate", fields.effDate) +
                        "," + Field("expDate", fields.expDate) + "," +
                        TextMember("identityPic", pictures.identityPic) + ",";
  if (pictures.withImages) {
    content += TextMember("identityPrintPic", pictures.identityPrintPic) + "," +
               TextMember("identityFrontPic", pictures.identityFrontPic) + "," +
               TextMember("identityBackPic", pictures.identityBackPic) + ",";
  }
  content += TextMember("identityPhotoSrc", pictures.identityPhotoSrc) + "}";
  return "{" + NumberMember("resultFlag", 0) + "," + TextMember("errorMsg", "读卡正常") + "," +
         NumberMember("venderId", kVenderId) + "," +
         TextMember("signature", CardSignature(fields, pictures.identityPic)) + "," +
         "\"resultContent\":" + content + "}";
}

}  // namespace vantel
