// Arbitrary 256-byte card text records (unpaired surrogates, characters outside the code page,
// NULs) through the service's record path: the card kind, the kind's decoder, the answer and
// its signature.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "service/api/card_decoding.h"
#include "library/answers/card_answer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  unsigned char text[lumarin::kCardTextSize] = {};
  std::memcpy(text, data, size < sizeof text ? size : sizeof text);
  const int kind = lumarin::DecideIDCardType(text);
  if (kind < 100 || kind > 102) std::abort();
  const vantel::CardAnswerFields fields = lumarin::CardAnswerFieldsOf(text, kind);
  vantel::CardPictures pictures;
  pictures.identityPic = "/9j/";
  const std::string answer = vantel::FormatCardAnswer(fields, pictures);
  if (answer.compare(answer.size() - 2, 2, "}}") != 0) std::abort();
  return 0;
}
