#include "answer_client.h"

#include <openssl/sha.h>

#include <cstdio>
#include <memory>

#include "library/cards/string_functions.h"

namespace vantel_test {

Json::Value ParseAnswer(const std::string& ansiAnswer) {
  const std::string utf8 = vantel::AnsiToUtf8(ansiAnswer.c_str());
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  if (!reader->parse(utf8.data(), utf8.data() + utf8.size(), &root, &errors)) return Json::Value();
  return root;
}

std::string ClientSignature(const Json::Value& content) {
  std::string input = std::to_string(content["certType"].asInt()) + content["partyName"].asString() +
                      std::to_string(content["gender"].asInt());
  for (const char* name : {"nation", "bornDay", "certAddress", "certNumber", "certOrg", "effDate",
                           "expDate", "identityPic"})
    input += content[name].asString();
  return Sha1Hex(input + "k7Pq!2wZr9@Lm4v#");
}

std::string Sha1Hex(const std::string& input) {
  unsigned char digest[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(input.data()), input.size(), digest);
  std::string hex;
  char digits[3];
  for (unsigned char byte : digest) {
    std::snprintf(digits, sizeof digits, "%02x", byte);
    hex += digits;
  }
  return hex;
}

::testing::AssertionResult SignatureHolds(const std::string& ansiAnswer) {
  const Json::Value root = ParseAnswer(ansiAnswer);
  if (!root.isObject()) return ::testing::AssertionFailure() << "no valid JSON";
  const std::string stated = root["signature"].asString();
  const std::string computed = ClientSignature(root["resultContent"]);
  if (stated != computed)
    return ::testing::AssertionFailure() << "signature " << stated << ", client computes " << computed;
  return ::testing::AssertionSuccess();
}

}  // namespace vantel_test
