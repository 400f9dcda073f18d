#include "library/cards/fingerprint/fp_frame.h"

#include <algorithm>
#include <cstring>

namespace vantel {
namespace {

constexpr std::size_t kTextAt = 16;
constexpr std::size_t kPhotoAt = 272;
constexpr std::size_t kFingerprintAt = 1296;

unsigned Word(const std::uint8_t* at) { return static_cast<unsigned>(at[0] << 8 | at[1]); }

// The stated length of the part at `at`, capped at `size` and at what arrived before the
// check byte.
unsigned PartLength(const std::uint8_t* stated, unsigned size, std::size_t at,
                    std::size_t carried) {
  const std::size_t room = carried > at + 1 ? carried - 1 - at : 0;
  return static_cast<unsigned>(std::min<std::size_t>({Word(stated), size, room}));
}

void CopyPart(const std::uint8_t* from, unsigned length, unsigned char* to, unsigned* toLength) {
  if (toLength) *toLength = length;
  if (to) std::memcpy(to, from, length);
}

}  // namespace

unsigned FPFrameLength(const std::uint8_t* frame) { return Word(frame + 5); }

bool FPFrameIsGood(const std::uint8_t* frame) {
  std::uint8_t check = 0;
  for (std::size_t i = 5; i < kFPBaseMsgFrameSize; ++i) check ^= frame[i];
  return check == 0;
}

unsigned CopyFPBaseMsg(const std::uint8_t* frame, std::size_t carried, const FPBaseMsgOut& out) {
  carried = std::min(carried, kFPBaseMsgFrameSize);
  const unsigned text = PartLength(frame + 10, 256, kTextAt, carried);
  const unsigned photo = PartLength(frame + 12, 1024, kPhotoAt, carried);
  const unsigned fingerprint = PartLength(frame + 14, kFingerprintSize, kFingerprintAt, carried);
  CopyPart(frame + kTextAt, text, out.text, out.textLength);
  CopyPart(frame + kPhotoAt, photo, out.photo, out.photoLength);
  CopyPart(frame + kFingerprintAt, fingerprint, out.fingerprint, out.fingerprintLength);
  return photo;
}

}  // namespace vantel
