// The hash and cipher primitives against the published vectors of their standards, and the
// length and chaining rules callers rely on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "library/device/crypto/chip_crc16.h"
#include "library/device/crypto/des.h"
#include "library/device/crypto/sha1.h"
#include "library/device/crypto/sm3.h"
#include "library/device/crypto/sm4.h"
#include "support/hex_bytes.h"

namespace vantel {
namespace {

using vantel_test::FromHex;
using vantel_test::ToHex;
using Bytes = std::vector<std::uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

const std::string kFips56 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";

// Feeds `message` in pieces cut at `cuts` (byte positions), then finishes.
std::string Sha1Pieces(const Bytes& message, const std::vector<std::size_t>& cuts) {
  Sha1Context ctx;
  Sha1Init(&ctx);
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    Sha1Update(&ctx, message.data() + from, cut - from);
    from = cut;
  }
  Sha1Update(&ctx, message.data() + from, message.size() - from);
  Sha1Final(&ctx);
  return ToHex(ctx.block, kSha1DigestSize);
}

std::string Sm3Pieces(const Bytes& message, const std::vector<std::size_t>& cuts) {
  Sm3Context ctx;
  Sm3Init(&ctx);
  std::size_t from = 0;
  for (std::size_t cut : cuts) {
    Sm3Update(&ctx, message.data() + from, cut - from);
    from = cut;
  }
  Sm3Update(&ctx, message.data() + from, message.size() - from);
  std::uint8_t digest[kSm3DigestSize];
  Sm3Final(&ctx, digest);
  return ToHex(digest, sizeof digest);
}

TEST(Sha1, PublishedDigestsWholeAndInPieces) {
  struct Case {
    Bytes message;
    std::string digest;
  };
  const Case cases[] = {
      {Text("abc"), "A9993E364706816ABA3E25717850C26C9CD0D89D"},
      {Text(kFips56), "84983E441C3BD26EBAAE4AA1F95129E5E54670F1"},
      {Bytes(1000000, 'a'), "34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
  };
  const std::vector<std::vector<std::size_t>> cutSets = {{}, {55}, {56}, {64}, {65}, {1, 55, 56}};
  for (const Case& c : cases) {
    for (const auto& cuts : cutSets) {
      if (!cuts.empty() && cuts.back() > c.message.size()) continue;
      EXPECT_EQ(Sha1Pieces(c.message, cuts), c.digest) << c.message.size() << " bytes";
    }
  }
  // Lengths around the padding boundary, split at every point, agree with the whole.
  const Bytes long120 = Bytes(120, 'x');
  for (std::size_t length : {55u, 56u, 63u, 64u, 65u, 119u}) {
    const Bytes message(long120.begin(), long120.begin() + static_cast<std::ptrdiff_t>(length));
    const std::string whole = Sha1Pieces(message, {});
    for (std::size_t cut = 1; cut < length; ++cut) ASSERT_EQ(Sha1Pieces(message, {cut}), whole);
  }
}

TEST(Sm3, PublishedDigestsWholeAndInPieces) {
  Bytes sample64;
  for (int i = 0; i < 16; ++i) for (char c : std::string("abcd")) sample64.push_back(static_cast<std::uint8_t>(c));
  EXPECT_EQ(Sm3Pieces(Text("abc"), {}), "66C7F0F462EEEDD9D1F2D46BDC10E4E24167C4875CF2F7A2297DA02B8F4BA8E0");
  for (const auto& cuts : std::vector<std::vector<std::size_t>>{{}, {55}, {56}, {64}, {3, 60}}) {
    EXPECT_EQ(Sm3Pieces(sample64, cuts),
              "DEBE9FF92275B8A138604889C18E5A4D6FDB70E5387E5765293DCBA39C0C5732");
  }
  std::uint8_t digest[kSm3DigestSize];
  Sm3Digest(sample64.data(), sample64.size(), digest);
  EXPECT_EQ(ToHex(digest, sizeof digest), "DEBE9FF92275B8A138604889C18E5A4D6FDB70E5387E5765293DCBA39C0C5732");
}

std::string DesEncrypt(const std::string& key, const std::string& plain) {
  DesContext ctx;
  const Bytes k = FromHex(key), p = FromHex(plain), iv(8, 0);
  Bytes out(p.size());
  DesSetKey(&ctx, k.data(), iv.data(), 1);
  EXPECT_EQ(DesCbc(&ctx, out.data(), p.data(), p.size()), 0);
  return ToHex(out);
}

TEST(Des, KnownAnswersAndTheirInverse) {
  struct Case {
    const char* key;
    const char* plain;
    const char* cipher;
  };
  const Case cases[] = {
      {"133457799BBCDFF1", "0123456789ABCDEF", "85E813540F0AB405"},
      {"0101010101010101", "8000000000000000", "95F8A5E5DD31D900"},
      {"8001010101010101", "0000000000000000", "95A8D72813DAA94D"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DesEncrypt(c.key, c.plain), c.cipher);
    DesContext ctx;
    const Bytes k = FromHex(c.key), iv(8, 0);
    Bytes block = FromHex(c.cipher);
    DesSetKey(&ctx, k.data(), iv.data(), 0);
    DesCbc(&ctx, block.data(), block.data(), 8);  // in place
    EXPECT_EQ(ToHex(block), c.plain);
  }
}

TEST(Des, Fips81CbcExampleEncryptsDecryptsAndRestarts) {
  const Bytes key = FromHex("0123456789ABCDEF"), iv = FromHex("1234567890ABCDEF");
  const Bytes plain = Text("Now is the time for all ");
  const std::string cipher = "E5C7CDDE872BF27C43E934008C389C0F683788499A7C05F6";
  DesContext ctx;
  DesSetKey(&ctx, key.data(), iv.data(), 1);
  Bytes out(plain.size());
  DesCbc(&ctx, out.data(), plain.data(), plain.size());
  EXPECT_EQ(ToHex(out), cipher);
  // Without a reset the chain goes on from the last block; with one it starts again.
  Bytes again(plain.size());
  DesCbc(&ctx, again.data(), plain.data(), plain.size());
  EXPECT_NE(ToHex(again), cipher);
  DesResetIv(&ctx);
  DesCbc(&ctx, again.data(), plain.data(), plain.size());
  EXPECT_EQ(ToHex(again), cipher);

  DesSetKey(&ctx, key.data(), iv.data(), 0);
  Bytes back = FromHex(cipher);
  DesCbc(&ctx, back.data(), back.data(), back.size());
  EXPECT_EQ(back, plain);
}

TEST(Des, LengthNotAMultipleOfEightIsRefusedUntouched) {
  const Bytes key(8, 0x13), iv(8, 0);
  DesContext des;
  Des3Context des3;
  DesSetKey(&des, key.data(), iv.data(), 1);
  Des3SetKey2(&des3, FromHex("0123456789ABCDEFFEDCBA9876543210").data(), iv.data(), 1);
  const Bytes in(16, 0x55);
  Bytes out(16, 0xEE);
  EXPECT_EQ(DesCbc(&des, out.data(), in.data(), 12), 1);
  EXPECT_EQ(Des3Cbc(&des3, out.data(), in.data(), 7), 1);
  EXPECT_EQ(out, Bytes(16, 0xEE));
  EXPECT_EQ(DesCbc(&des, out.data(), in.data(), 0), 0);
  EXPECT_EQ(out, Bytes(16, 0xEE));
}

TEST(Des3, TwoKeyCbcAndEqualHalvesAsSingleDes) {
  // The passport example: S under Kenc with a zero IV gives E_IFD.
  const Bytes kenc = FromHex("AB94FCEDF2664EDFB9B291F85D7F77F2"), iv(8, 0);
  const Bytes s = FromHex("781723860C06C2264608F919887022120B795240CB7049B01C19B33E32804F0B");
  const std::string eIfd = "72C29C2371CC9BDB65B779B8E8D37B29ECC154AA56A8799FAE2F498F76ED92F2";
  Des3Context ctx;
  Des3SetKey2(&ctx, kenc.data(), iv.data(), 1);
  Bytes out(s.size());
  Des3Cbc(&ctx, out.data(), s.data(), s.size());
  EXPECT_EQ(ToHex(out), eIfd);
  Des3SetKey2(&ctx, kenc.data(), iv.data(), 0);
  Des3Cbc(&ctx, out.data(), out.data(), out.size());
  EXPECT_EQ(out, s);

  const Bytes k1 = FromHex("133457799BBCDFF1");
  Bytes doubled = k1;
  doubled.insert(doubled.end(), k1.begin(), k1.end());
  Des3SetKey2(&ctx, doubled.data(), iv.data(), 1);
  Bytes block = FromHex("0123456789ABCDEF");
  Des3Cbc(&ctx, block.data(), block.data(), 8);
  EXPECT_EQ(ToHex(block), "85E813540F0AB405");
}

std::string Sm4Once(const Bytes& key, Bytes block, int rounds) {
  Sm4Context ctx;
  Sm4SetEncryptKey(&ctx, key.data());
  for (int i = 0; i < rounds; ++i) Sm4Block(ctx.roundKeys, block.data(), block.data());
  return ToHex(block);
}

TEST(Sm4, PublishedExamplesAndDecryption) {
  const Bytes key = FromHex("0123456789ABCDEFFEDCBA9876543210");
  EXPECT_EQ(Sm4Once(key, key, 1), "681EDF34D206965E86B3E94F536E4246");
  EXPECT_EQ(Sm4Once(key, key, 1000000), "595298C7C6FD271F0402F804C33D3F66");
  Sm4Context ctx;
  Sm4SetDecryptKey(&ctx, key.data());
  Bytes block = FromHex("681EDF34D206965E86B3E94F536E4246");
  Sm4Ecb(&ctx, 1, 16, block.data(), block.data());  // the context, not the argument, decides
  EXPECT_EQ(block, key);
}

TEST(Sm4, BlocksRoundUpAndCbcContinuesThroughTheIv) {
  const Bytes key = FromHex("0123456789ABCDEFFEDCBA9876543210");
  Sm4Context enc, dec;
  Sm4SetEncryptKey(&enc, key.data());
  Sm4SetDecryptKey(&dec, key.data());
  Bytes plain(32);
  for (std::size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<std::uint8_t>(i * 7);

  // 17 bytes are two blocks; 0 and negative lengths touch nothing.
  Bytes out(32, 0xEE);
  Sm4Ecb(&enc, 1, 17, plain.data(), out.data());
  EXPECT_NE(Bytes(out.begin() + 16, out.end()), Bytes(16, 0xEE));
  Bytes untouched(32, 0xEE);
  Bytes iv(16, 0x11);
  Sm4Ecb(&enc, 1, 0, plain.data(), untouched.data());
  Sm4Cbc(&enc, 1, -5, iv.data(), plain.data(), untouched.data());
  EXPECT_EQ(untouched, Bytes(32, 0xEE));
  EXPECT_EQ(iv, Bytes(16, 0x11));

  Bytes whole(32), halves(32);
  Bytes ivWhole(16, 0x11), ivHalves(16, 0x11);
  Sm4Cbc(&enc, 1, 32, ivWhole.data(), plain.data(), whole.data());
  Sm4Cbc(&enc, 1, 16, ivHalves.data(), plain.data(), halves.data());
  Sm4Cbc(&enc, 1, 16, ivHalves.data(), plain.data() + 16, halves.data() + 16);
  EXPECT_EQ(halves, whole);
  EXPECT_EQ(ivHalves, ivWhole);
  EXPECT_EQ(ivWhole, Bytes(whole.begin() + 16, whole.end()));

  Bytes back = whole;
  Bytes ivBack(16, 0x11);
  Sm4Cbc(&dec, 0, 32, ivBack.data(), back.data(), back.data());
  EXPECT_EQ(back, plain);
}

TEST(ChipCrc16, CheckValueAndFrameBody) {
  const Bytes digits = Text("123456789");
  EXPECT_EQ(ChipCrc16(digits.data(), digits.size()), 0x31C3);
  EXPECT_EQ(ChipCrc16(nullptr, 0), 0);
  // The Bluetooth handshake's body and its CRC as the reader expects them.
  const Bytes body = FromHex("060000000153");
  EXPECT_EQ(ChipCrc16(body.data(), body.size()), 0xD446);
}

}  // namespace
}  // namespace vantel
