#include "library/answers/sha1_hasher.h"

#include <cctype>
#include <cstring>

#include "library/device/crypto/sha1.h"
#include "library/device/text_conversions.h"

namespace vantel {

Sha1Hasher::Sha1Hasher() : block_(workspace_) {
  reserved0_ = 0;
  std::memset(buffer_, 0, sizeof buffer_);
  std::memset(digest_, 0, sizeof digest_);
  std::memset(reserved1_, 0, sizeof reserved1_);
  std::memset(workspace_, 0, sizeof workspace_);
  Reset();
}

Sha1Hasher::~Sha1Hasher() { Reset(); }

void Sha1Hasher::Reset() {
  state_[0] = 0x67452301;
  state_[1] = 0xEFCDAB89;
  state_[2] = 0x98BADCFE;
  state_[3] = 0x10325476;
  state_[4] = 0xC3D2E1F0;
  count_[0] = 0;
  count_[1] = 0;
}

void Sha1Hasher::Update(const unsigned char* data, unsigned int length) {
  std::uint32_t j = (count_[0] >> 3) & 63;
  std::uint32_t bits = length << 3;
  count_[0] += bits;
  if (count_[0] < bits) ++count_[1];
  count_[1] += length >> 29;

  std::uint32_t i = 0;
  if (static_cast<std::uint64_t>(j) + length >= 64) {
    i = 64 - j;
    std::memcpy(buffer_ + j, data, i);
    Transform(buffer_);
    for (; length - i >= 64; i += 64) Transform(data + i);
    j = 0;
  }
  if (length > i) std::memcpy(buffer_ + j, data + i, length - i);
}

void Sha1Hasher::Transform(const unsigned char* block) {
  std::memcpy(block_, block, 64);
  std::uint32_t* w = block_;
  for (int t = 0; t < 16; ++t) {
    const auto* p = reinterpret_cast<const unsigned char*>(&w[t]);
    w[t] = (static_cast<std::uint32_t>(p[0]) << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
  }
  Sha1Compress(state_, w);
}

void Sha1Hasher::Final() {
  unsigned char lengthBytes[8];
  for (int i = 0; i < 8; ++i) {
    // High word first, each big-endian.
    lengthBytes[i] = static_cast<unsigned char>(count_[i < 4 ? 1 : 0] >> ((3 - (i & 3)) * 8));
  }
  const unsigned char mark = 0x80;
  const unsigned char zero = 0;
  Update(&mark, 1);
  while ((count_[0] & 0x1F8) != 0x1C0) Update(&zero, 1);
  Update(lengthBytes, 8);
  for (int i = 0; i < kDigestSize; ++i) {
    digest_[i] = static_cast<unsigned char>(state_[i >> 2] >> ((3 - (i & 3)) * 8));
  }
  // Wipe.
  std::memset(buffer_, 0, sizeof buffer_);
  std::memset(state_, 0, sizeof state_);
  std::memset(count_, 0, sizeof count_);
  reserved0_ = 0;
  Transform(buffer_);
}

bool Sha1Hasher::GetHash(unsigned char* destination) const {
  if (!destination) return false;
  std::memcpy(destination, digest_, sizeof digest_);
  return true;
}

std::string Sha1SignatureText(const unsigned char* text, unsigned int length) {
  Sha1Hasher hasher;
  hasher.Update(text, length);
  hasher.Final();
  unsigned char digest[Sha1Hasher::kDigestSize];
  hasher.GetHash(digest);
  char hex[2 * Sha1Hasher::kDigestSize + 1];
  BytesToHex(digest, hex, 2 * Sha1Hasher::kDigestSize);
  for (char& digit : hex) {
    digit = static_cast<char>(std::tolower(static_cast<unsigned char>(digit)));
  }
  return std::string(hex, 2 * Sha1Hasher::kDigestSize);
}

}  // namespace vantel
