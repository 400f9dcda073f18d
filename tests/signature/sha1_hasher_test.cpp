// Sha1Hasher and the lower-case signature text.
#include "library/answers/sha1_hasher.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using vantel::Sha1Hasher;

// The digest as lower-case hex, computed in the callers' order.
std::string Digest(const std::string& text) {
  return vantel::Sha1SignatureText(reinterpret_cast<const unsigned char*>(text.data()),
                                   static_cast<unsigned>(text.size()));
}

// The same through the class by hand, with the input cut into `piece`-byte updates.
std::string DigestInPieces(const std::string& text, std::size_t piece) {
  Sha1Hasher hasher;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
  for (std::size_t at = 0; at < text.size(); at += piece) {
    std::size_t length = std::min(piece, text.size() - at);
    hasher.Update(bytes + at, static_cast<unsigned>(length));
  }
  hasher.Final();
  unsigned char digest[20];
  EXPECT_TRUE(hasher.GetHash(digest));
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char b : digest) {
    hex += kHex[b >> 4];
    hex += kHex[b & 15];
  }
  return hex;
}

TEST(Sha1Hasher, EmptyText) {
  EXPECT_EQ(Digest(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(Sha1Hasher, Abc) { EXPECT_EQ(Digest("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d"); }

TEST(Sha1Hasher, Fips180TwoBlockMessage) {
  const std::string text = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  ASSERT_EQ(text.size(), 56u);
  EXPECT_EQ(Digest(text), "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
}

TEST(Sha1Hasher, OneMillionA) {
  const std::string text(1000000, 'a');
  EXPECT_EQ(Digest(text), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
  EXPECT_EQ(DigestInPieces(text, 1000), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha1Hasher, PaddingBoundaries) {
  // 55 bytes leave room for the 0x80 byte and the length in one block; 56 need a second.
  EXPECT_EQ(Digest(std::string(55, 'a')), "c1c8bbdc22796e28c0e15163d20899b65621d65a");
  EXPECT_EQ(Digest(std::string(56, 'a')), "c2db330f6083854c99d4b5bfb6e8f29f201be699");
  EXPECT_EQ(Digest(std::string(63, 'a')), "03f09f5b158a7a8cdad920bddc29b81c18a551f5");
  EXPECT_EQ(Digest(std::string(64, 'a')), "0098ba824b5c16427bd7a1122a5a442a25ec644d");
  EXPECT_EQ(Digest(std::string(65, 'a')), "11655326c708d70319be2610e8a57d9a5b959d3b");
  EXPECT_EQ(Digest(std::string(119, 'a')), "ee971065aaa017e0632a8ca6c77bb3bf8b1dfc56");
  EXPECT_EQ(Digest(std::string(120, 'a')), "f34c1488385346a55709ba056ddd08280dd4c6d6");
}

TEST(Sha1Hasher, UpdatesInAnyPiecesGiveTheSameDigest) {
  const std::string text = "The quick brown fox jumps over the lazy dog";
  for (std::size_t piece : {1u, 3u, 7u, 63u, 64u, 65u}) {
    EXPECT_EQ(DigestInPieces(text, piece), "2fd4e1c67a2d28fced849ee1bb76e7391b93eb12") << piece;
  }
  const std::string longer(300, 'q');
  const std::string whole = Digest(longer);
  for (std::size_t piece : {1u, 5u, 60u, 64u, 100u, 128u, 129u}) {
    EXPECT_EQ(DigestInPieces(longer, piece), whole) << piece;
  }
}

TEST(Sha1Hasher, GetHashWithNullPointerReturnsFalseAndChangesNothing) {
  Sha1Hasher hasher;
  hasher.Update(reinterpret_cast<const unsigned char*>("abc"), 3);
  hasher.Final();
  EXPECT_FALSE(hasher.GetHash(nullptr));
  unsigned char digest[20];
  ASSERT_TRUE(hasher.GetHash(digest));
  const unsigned char expected[20] = {0xa9, 0x99, 0x3e, 0x36, 0x47, 0x06, 0x81, 0x6a, 0xba, 0x3e,
                                      0x25, 0x71, 0x78, 0x50, 0xc2, 0x6c, 0x9c, 0xd0, 0xd8, 0x9d};
  EXPECT_EQ(std::memcmp(digest, expected, 20), 0);
}

TEST(Sha1Hasher, ResetHashesAgain) {
  Sha1Hasher hasher;
  hasher.Update(reinterpret_cast<const unsigned char*>("first message"), 13);
  hasher.Final();
  hasher.Reset();
  hasher.Update(reinterpret_cast<const unsigned char*>("abc"), 3);
  hasher.Final();
  unsigned char digest[20];
  ASSERT_TRUE(hasher.GetHash(digest));
  EXPECT_EQ(digest[0], 0xa9);
  EXPECT_EQ(digest[19], 0x9d);
}

TEST(Sha1Hasher, SignatureTextIsFortyLowerCaseDigits) {
  const std::string signature = Digest("partyName|12345|k7Pq!2wZr9@Lm4v#");
  ASSERT_EQ(signature.size(), 40u);
  EXPECT_EQ(signature.find_first_not_of("0123456789abcdef"), std::string::npos);
  EXPECT_EQ(signature, DigestInPieces("partyName|12345|k7Pq!2wZr9@Lm4v#", 64));
}

TEST(Sha1Hasher, KeepsThePartsFieldLayout) {
  // Five state words, two count words, a reserved word, 64 buffer bytes, 20 digest bytes,
  // three reserved words, 64 workspace bytes, the block pointer: no vtable, no base.
  EXPECT_FALSE(std::is_polymorphic<Sha1Hasher>::value);
  EXPECT_GE(sizeof(Sha1Hasher), 5 * 4 + 2 * 4 + 4 + 64 + 20 + 3 * 4 + 64 + sizeof(void*));
}

}  // namespace
