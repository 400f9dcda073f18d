// libFuzzer target: WltToBitmap over arbitrary 1024-byte photos. The decoder must never
// read or write out of bounds and must answer 1 or one of its failure values.
//
// The photo bytes 3 and 4 are not examined by the decoder, so the harness takes its options
// from them and the input stays an arbitrary photo:
//   byte 3 bit 0: keep the input's magic as it is (else "WLf" and "2" are written);
//   byte 3 bit 1: repair the layout (levels 0..8, component count 1 or 3, lengths that fit,
//                 markers in place), so that the fuzzer reaches the deep stages at once;
//   byte 4 bit 0: with the repair, keep the top bit-planes as they are (else 0..15).
#include <cstdint>
#include <cstring>
#include <vector>

#include "library/cards/photo/wlt_decoder.h"
#include "library/cards/photo/wlt_format.h"

namespace {

using namespace vantel::photo;

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void Repair(std::uint8_t* photo) {
  std::uint8_t s[kStreamSize];
  for (int i = 0; i < kStreamSize; ++i) s[i] = photo[kStreamOffset + i] ^ kStreamXor;
  const int levels = (s[0] & 0x0F) % (kMaxLevels + 1);
  const int mode = (s[0] >> 4) & 3;
  const int components = (s[0] & 0x40) ? 3 : 1;
  s[0] = static_cast<std::uint8_t>(levels | (mode << 4) | (components == 3 ? 0xC0 : 0x40));
  int pos = 1;
  if (mode != 0) {
    const std::uint32_t n = Le32(s + 1) % 400 + 2;
    PutLe32(s + 1, n);
    s[5] = kSegmentMarker;
    pos = 5 + static_cast<int>(n);
  }
  const int room = kStreamSize - pos - 4;
  std::int32_t b = static_cast<std::int32_t>(Le32(s + pos) % 1000);
  for (; b >= 0; --b) {
    const SegmentSizes sizes = ComputeSegmentSizes(static_cast<std::uint32_t>(b + 4));
    int used = 0;
    bool fits = true;
    for (int k = 0; k < components; ++k) {
      fits = fits && sizes.s[k] >= 2;
      used += sizes.s[k];
    }
    if (fits && used <= room) break;
  }
  if (b < 0) return;  // no room at all: leave the photo as it is
  PutLe32(s + pos, static_cast<std::uint32_t>(b + 4));
  const SegmentSizes sizes = ComputeSegmentSizes(static_cast<std::uint32_t>(b + 4));
  int at = pos + 4;
  for (int k = 0; k < components; ++k) {
    if (!(photo[4] & 1)) s[at] &= 0x0F;
    s[at + 1] = kSegmentMarker;
    at += sizes.s[k];
  }
  for (int i = 0; i < kStreamSize; ++i) photo[kStreamOffset + i] = s[i] ^ kStreamXor;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint8_t photo[kPhotoSize] = {};
  std::memcpy(photo, data, size < sizeof photo ? size : sizeof photo);
  if (!(photo[3] & 1)) {
    photo[0] = 'W';
    photo[1] = 'L';
    photo[2] = 'f';
    photo[6] = '2';
  }
  if (photo[3] & 2) Repair(photo);

  std::vector<std::uint8_t> bitmap(vantel::kWltBitmapSize);  // exactly the size written
  int length = -1;
  const int result = vantel::WltToBitmap(photo, bitmap.data(), &length);
  if (result == 1) {
    if (length != vantel::kWltBitmapSize || bitmap[0] != 'B' || bitmap[1] != 'M') __builtin_trap();
  } else if (result > kWltBadMagic || result < kWltNoMemory || length != -1) {
    __builtin_trap();
  }
  return 0;
}
