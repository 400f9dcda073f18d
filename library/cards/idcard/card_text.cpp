#include "library/cards/idcard/card_text.h"

#include <cstring>
#include <string>

#include "platform/code_page.h"

namespace vantel {
namespace {

// A GBK lead byte starts a two-byte character.
std::size_t GbkCharacterLength(unsigned char lead) { return lead >= 0x81 && lead <= 0xFE ? 2 : 1; }

// The longest prefix of `text` of at most `limit` bytes that ends between characters.
std::size_t WholeCharactersWithin(const std::string& text, std::size_t limit) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t next = at + GbkCharacterLength(static_cast<unsigned char>(text[at]));
    if (next > limit || next > text.size()) break;
    at = next;
  }
  return at;
}

}  // namespace

void ConvertCardText(const std::uint8_t* ucs2, std::size_t chars, char* out, std::size_t size) {
  if (size == 0) return;
  std::memset(out, 0, size);
  std::u16string wide(chars, u'\0');
  for (std::size_t i = 0; i < chars; ++i)
    wide[i] = static_cast<char16_t>(ucs2[2 * i] | ucs2[2 * i + 1] << 8);
  const std::string ansi = platform::Utf16ToAnsi(wide);
  std::memcpy(out, ansi.data(), WholeCharactersWithin(ansi, size - 1));
}

void TrimTrailingBlanks(char* field, std::size_t size) {
  for (std::size_t i = size - 1; i-- > 1;)
    if (field[i] == ' ' && field[i + 1] == '\0') field[i] = '\0';
}

void GenderText(const std::uint8_t* ucs2, char* out) {
  constexpr std::size_t kGenderSize = 3;
  std::strncpy(out, ucs2[0] == '1' && ucs2[1] == 0 ? "男" : "女", kGenderSize - 1);
  out[kGenderSize - 1] = '\0';
}

}  // namespace vantel
