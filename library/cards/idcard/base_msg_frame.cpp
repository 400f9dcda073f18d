#include "library/cards/idcard/base_msg_frame.h"

#include <algorithm>
#include <cstring>

namespace vantel {
namespace {

constexpr std::size_t kLengthAt = 5;
constexpr std::size_t kTextLengthAt = 10;
constexpr std::size_t kPhotoLengthAt = 12;
constexpr std::size_t kTextAt = 14;
constexpr std::size_t kPhotoAt = kTextAt + kBaseMsgTextSize;
constexpr std::size_t kFrameHeadSize = 7;

unsigned BigEndian16(const std::uint8_t* at) { return static_cast<unsigned>(at[0]) << 8 | at[1]; }

}  // namespace

unsigned BaseMsgTextLength(const std::uint8_t* frame) {
  return std::min(BigEndian16(frame + kTextLengthAt), kBaseMsgTextSize);
}

unsigned BaseMsgPhotoLength(const std::uint8_t* frame) {
  return std::min(BigEndian16(frame + kPhotoLengthAt), kBaseMsgPhotoSize);
}

bool BaseMsgFrameIsGood(const std::uint8_t* frame) {
  std::uint8_t check = 0;
  for (std::size_t i = kLengthAt; i < kBaseMsgFrameSize; ++i) check ^= frame[i];
  const std::size_t photo = BaseMsgPhotoLength(frame);
  const std::size_t dataEnd = photo ? kPhotoAt + photo : kTextAt + BaseMsgTextLength(frame);
  const std::size_t checkByteAt = kFrameHeadSize + BigEndian16(frame + kLengthAt) - 1;
  return check == 0 && dataEnd <= checkByteAt;
}

unsigned CopyBaseMsg(const std::uint8_t* frame, const BaseMsgOut& out) {
  const unsigned text = BaseMsgTextLength(frame);
  const unsigned photo = BaseMsgPhotoLength(frame);
  if (out.text) std::memcpy(out.text, frame + kTextAt, text);
  if (out.photo) std::memcpy(out.photo, frame + kPhotoAt, photo);
  if (out.textLength) *out.textLength = text;
  if (out.photoLength) *out.photoLength = photo;
  return photo;
}

}  // namespace vantel
