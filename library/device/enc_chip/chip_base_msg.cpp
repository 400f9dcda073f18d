#include "library/device/enc_chip/chip_base_msg.h"

#include <algorithm>
#include <cstring>

namespace vantel {
namespace {

int StatedLength(const std::uint8_t* frame, std::size_t frameLength, std::size_t at, int cap) {
  if (at + 2 > frameLength) return 0;
  return std::min(frame[at] << 8 | frame[at + 1], cap);
}

// Zero-fills `length` bytes of `out` and copies into them what the frame holds from `from`.
void CopyPart(const std::uint8_t* frame, std::size_t frameLength, std::size_t from, int length, std::uint8_t* out) {
  const std::size_t wanted = static_cast<std::size_t>(length);
  std::memset(out, 0, wanted);
  if (from < frameLength) std::memcpy(out, frame + from, std::min(wanted, frameLength - from));
}

}  // namespace

void SplitChipBaseMsg(const std::uint8_t* frame, std::size_t frameLength, std::uint8_t* text, int* textLen,
                      std::uint8_t* photo, int* photoLen, std::uint8_t* fp, int* fpLen) {
  constexpr std::size_t kTextAt = 16;
  *textLen = StatedLength(frame, frameLength, 10, kChipTextCap);
  *photoLen = StatedLength(frame, frameLength, 12, kChipPhotoCap);
  *fpLen = StatedLength(frame, frameLength, 14, kChipFingerprintCap);
  const std::size_t photoAt = kTextAt + static_cast<std::size_t>(*textLen);
  const std::size_t fpAt = photoAt + static_cast<std::size_t>(*photoLen);
  CopyPart(frame, frameLength, kTextAt, *textLen, text);
  CopyPart(frame, frameLength, photoAt, *photoLen, photo);
  CopyPart(frame, frameLength, fpAt, *fpLen, fp);
}

}  // namespace vantel
