#include "service/net/sha1.h"

namespace lumarin {
namespace {

unsigned int Rotate(unsigned int word, int bits) {
  return ((word << bits) | (word >> (32 - bits))) & 0xFFFFFFFFu;
}

}  // namespace

SHA1::SHA1() { Reset(); }

SHA1::~SHA1() = default;

void SHA1::Reset() {
  length_low_ = 0;
  length_high_ = 0;
  block_count_ = 0;
  state_[0] = 0x67452301u;
  state_[1] = 0xEFCDAB89u;
  state_[2] = 0x98BADCFEu;
  state_[3] = 0x10325476u;
  state_[4] = 0xC3D2E1F0u;
  computed_ = false;
  corrupted_ = false;
}

void SHA1::Input(const unsigned char* bytes, unsigned int length) {
  if (length == 0) return;
  if (computed_ || corrupted_) {
    corrupted_ = true;
    return;
  }
  for (unsigned int i = 0; i < length && !corrupted_; ++i) {
    block_[block_count_++] = bytes[i];
    length_low_ = (length_low_ + 8) & 0xFFFFFFFFu;
    if (length_low_ == 0) {
      length_high_ = (length_high_ + 1) & 0xFFFFFFFFu;
      if (length_high_ == 0) corrupted_ = true;
    }
    if (block_count_ == 64) ProcessBlock();
  }
}

void SHA1::InputText(const char* text) {
  for (; *text != '\0'; ++text) Input(reinterpret_cast<const unsigned char*>(text), 1);
}

bool SHA1::Result(unsigned int* words) {
  if (corrupted_) return false;
  if (!computed_) {
    block_[block_count_++] = 0x80;
    if (block_count_ > 56) {
      PadBlockTo(64);
      ProcessBlock();
    }
    PadBlockTo(56);
    for (int i = 0; i < 4; ++i) {
      block_[56 + i] = static_cast<unsigned char>(length_high_ >> (24 - 8 * i));
      block_[60 + i] = static_cast<unsigned char>(length_low_ >> (24 - 8 * i));
    }
    ProcessBlock();
    computed_ = true;
  }
  for (int i = 0; i < 5; ++i) words[i] = state_[i];
  return true;
}

void SHA1::PadBlockTo(int end) {
  while (block_count_ < end) block_[block_count_++] = 0;
}

void SHA1::ProcessBlock() {
  static const unsigned int kRoundConstants[4] = {0x5A827999u, 0x6ED9EBA1u, 0x8F1BBCDCu,
                                                  0xCA62C1D6u};
  unsigned int schedule[80];
  for (int t = 0; t < 16; ++t) {
    schedule[t] = (static_cast<unsigned int>(block_[4 * t]) << 24) |
                  (static_cast<unsigned int>(block_[4 * t + 1]) << 16) |
                  (static_cast<unsigned int>(block_[4 * t + 2]) << 8) | block_[4 * t + 3];
  }
  for (int t = 16; t < 80; ++t) {
    schedule[t] = Rotate(schedule[t - 3] ^ schedule[t - 8] ^ schedule[t - 14] ^ schedule[t - 16], 1);
  }
  unsigned int work[5] = {state_[0], state_[1], state_[2], state_[3], state_[4]};
  for (int t = 0; t < 80; ++t) {
    const unsigned int b = work[1], c = work[2], d = work[3];
    unsigned int mixed;
    switch (t / 20) {
      case 0: mixed = (b & c) | (~b & d); break;
      case 2: mixed = (b & c) | (b & d) | (c & d); break;
      default: mixed = b ^ c ^ d; break;
    }
    const unsigned int next =
        (Rotate(work[0], 5) + mixed + work[4] + schedule[t] + kRoundConstants[t / 20]) & 0xFFFFFFFFu;
    work[4] = d;
    work[3] = c;
    work[2] = Rotate(b, 30);
    work[1] = work[0];
    work[0] = next;
  }
  for (int i = 0; i < 5; ++i) state_[i] = (state_[i] + work[i]) & 0xFFFFFFFFu;
  block_count_ = 0;
}

}  // namespace lumarin
