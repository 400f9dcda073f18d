// libFuzzer target: arbitrary bytes as the ten card fields of an answer. The answer must
// reach a client as valid JSON (converted to UTF-8, parsed with jsoncpp) whose values are the
// fields' UTF-8 forms and whose signature the client recomputes.
//
// Input: the first byte chooses the certType; the rest is cut at NUL bytes into the nine
// text fields and the photo's base64 text, in answer order.
#include <json/json.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "library/answers/card_answer.h"
#include "library/answers/sha1_hasher.h"
#include "library/cards/string_functions.h"

namespace {

std::vector<std::string> Pieces(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> pieces(1);
  for (std::size_t i = 0; i < size && pieces.size() <= 10; ++i) {
    if (data[i] == 0)
      pieces.emplace_back();
    else
      pieces.back().push_back(static_cast<char>(data[i]));
  }
  pieces.resize(10);
  return pieces;
}

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  static const int kCertTypes[] = {1, 50, 54, 55};
  const std::vector<std::string> p = Pieces(data + 1, size - 1);
  vantel::CardAnswerFields fields{kCertTypes[data[0] % 4], p[0], p[1], p[2], p[3], p[4],
                                  p[5], p[6], p[7], p[8]};
  vantel::CardPictures pictures;
  pictures.identityPic = p[9];
  const std::string answer = vantel::FormatCardAnswer(fields, pictures);

  const std::string utf8 = vantel::AnsiToUtf8(answer.c_str());
  Json::CharReaderBuilder builder;
  std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
  Json::Value root;
  std::string errors;
  Require(reader->parse(utf8.data(), utf8.data() + utf8.size(), &root, &errors));
  const Json::Value& content = root["resultContent"];
  vantel::TrimCardFields(fields);
  Require(content["partyName"].asString() == vantel::AnsiToUtf8(fields.partyName.c_str()));
  Require(content["certOrg"].asString() == vantel::AnsiToUtf8(fields.certOrg.c_str()));

  std::string input = std::to_string(content["certType"].asInt()) + content["partyName"].asString() +
                      std::to_string(content["gender"].asInt());
  for (const char* name : {"nation", "bornDay", "certAddress", "certNumber", "certOrg", "effDate",
                           "expDate", "identityPic"})
    input += content[name].asString();
  input += "k7Pq!2wZr9@Lm4v#";
  Require(root["signature"].asString() ==
          vantel::Sha1SignatureText(reinterpret_cast<const unsigned char*>(input.data()),
                                    static_cast<unsigned>(input.size())));
  return 0;
}
