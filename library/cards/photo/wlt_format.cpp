#include "library/cards/photo/wlt_format.h"

namespace vantel::photo {

void WltStream::Load(const std::uint8_t* photo) {
  for (int i = 0; i < kStreamSize; ++i) bytes[i] = photo[kStreamOffset + i] ^ kStreamXor;
  position = 0;
}

bool WltStream::Take(int n, const std::uint8_t** out) {
  if (n < 0 || n > remaining()) return false;
  *out = bytes + position;
  position += n;
  return true;
}

bool WltStream::ReadByte(std::uint8_t* out) {
  if (remaining() < 1) return false;
  *out = bytes[position++];
  return true;
}

bool WltStream::ReadUint32(std::uint32_t* out) {
  if (remaining() < 4) return false;
  const std::uint8_t* p = bytes + position;
  *out = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  position += 4;
  return true;
}

bool HasWltMagic(const std::uint8_t* photo) {
  return photo[0] == 'W' && photo[1] == 'L' && photo[2] == 'f' && photo[6] == '2';
}

int PaddedSize(int size, int levels) {
  const long long unit = 1LL << levels;
  return static_cast<int>((size + unit - 1) / unit * unit);
}

void ReadWltHeader(std::uint8_t header, WltDecodeContext* context) {
  context->levels = header & 0x0F;
  context->regionMode = (header >> 4) & 0x03;
  context->components = (header >> 6) & 0x03;
  context->paddedWidth = PaddedSize(context->width, context->levels);
  context->paddedHeight = PaddedSize(context->height, context->levels);
}

namespace {

// Signed 32-bit arithmetic as the format's integers wrap; division truncates toward zero.
std::int32_t Wrap(std::int64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }
std::int32_t Mul(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
std::int32_t Add(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
std::int32_t Sub(std::int32_t a, std::int32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
std::int32_t Div100(std::int32_t a) { return a / 100; }  // no INT_MIN / -1 here

}  // namespace

SegmentSizes ComputeSegmentSizes(std::uint32_t coefficientTotal) {
  const std::int32_t b = Sub(Wrap(coefficientTotal), 4);
  SegmentSizes sizes;
  sizes.s[0] = Add(Div100(Mul(85, b)), 10);
  sizes.s[1] = Add(Div100(Mul(8, b)), 10);
  sizes.s[2] = Add(Sub(Sub(b, sizes.s[1]), sizes.s[0]), 30);
  return sizes;
}

}  // namespace vantel::photo
