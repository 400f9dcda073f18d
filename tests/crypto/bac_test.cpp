// Basic Access Control and secure messaging, step by step along the worked example of
// ICAO 9303 Part 11 Appendix D, and their edges.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "library/device/passport/bac.h"
#include "library/device/passport/secure_messaging.h"
#include "support/hex_bytes.h"

namespace vantel {
namespace {

using vantel_test::FromHex;
using vantel_test::ToHex;
using Bytes = std::vector<std::uint8_t>;

const char kMrz[] = "L898902C<3UTO6908061F9406236ZE184226B<<<<<14";
const std::string kRndIfd = "781723860C06C226";
const std::string kKIfd = "0B795240CB7049B01C19B33E32804F0B";
const std::string kRndIc = "4608F91988702212";
const std::string kKIc = "0B4F80323EB3191CB04970CB4052790B";

// Compares keys with the published, parity-adjusted ones: DES ignores each byte's low bit.
std::string WithoutParity(const std::uint8_t* key) {
  Bytes masked(key, key + 16);
  for (auto& byte : masked) byte &= 0xFE;
  return ToHex(masked);
}
std::string WithoutParity(const std::string& hex) { return WithoutParity(FromHex(hex).data()); }

// The worked example's RND.IFD, then its K.IFD.
bool ExampleRandom(std::uint8_t* out, std::size_t length) {
  const Bytes bytes = FromHex(length == 8 ? kRndIfd : kKIfd);
  if (bytes.size() != length) return false;
  std::memcpy(out, bytes.data(), length);
  return true;
}

class WorkedExample : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = SetBacRandomSource(ExampleRandom); }
  void TearDown() override { SetBacRandomSource(previous_); }

  BacKeys Keys() const {
    std::uint8_t seed[16];
    MrzKeySeed(kMrz, seed);
    BacKeys keys;
    BacKeysFromSeed(seed, &keys);
    return keys;
  }

  // The session after the example's mutual authentication.
  SecureChannel Session() const {
    IfdRandom random;
    EXPECT_TRUE(DrawIfdRandom(&random));
    SecureChannel channel;
    StartSecureChannel(random, FromHex(kRndIc).data(), FromHex(kKIc).data(), &channel);
    return channel;
  }

  RandomSource previous_ = nullptr;
};

TEST_F(WorkedExample, CheckDigitsAndAccessKeys) {
  EXPECT_EQ(std::string() + kMrz[9] + kMrz[19] + kMrz[27], "316");
  EXPECT_EQ(CheckMrzLine(kMrz), 1);
  std::uint8_t seed[16];
  MrzKeySeed(kMrz, seed);
  EXPECT_EQ(ToHex(seed, 16), "239AB9CB282DAF66231DC5A4DF6BFBAE");
  const BacKeys keys = Keys();
  EXPECT_EQ(ToHex(keys.enc, 16), "AB94FCEDF2664EDFB9B291F85D7F77F2");
  EXPECT_EQ(WithoutParity(keys.mac), WithoutParity("7962D9ECE03D1ACD4C76089DCE131543"));
}

TEST_F(WorkedExample, MutualAuthenticationAndSessionKeys) {
  IfdRandom random;
  ASSERT_TRUE(DrawIfdRandom(&random));
  std::uint8_t command[kMutualAuthenticateLength];
  BuildMutualAuthenticate(Keys(), FromHex(kRndIc).data(), random, command);
  const std::string eIfd = "72C29C2371CC9BDB65B779B8E8D37B29ECC154AA56A8799FAE2F498F76ED92F2";
  EXPECT_EQ(ToHex(command, sizeof command), "0082000028" + eIfd + "5F1448EEA8AD90A7" + "28");

  Bytes answer = FromHex("46B9342A41396CD7386BF5803104D7CEDC122B9132139BAF2EEDC94EE178534F2F2D235D074D7449");
  std::uint8_t decrypted[32];
  ASSERT_TRUE(OpenMutualAuthenticateAnswer(Keys(), answer.data(), decrypted));
  EXPECT_EQ(ToHex(decrypted, 32), kRndIc + kRndIfd + kKIc);
  answer[39] ^= 1;
  EXPECT_FALSE(OpenMutualAuthenticateAnswer(Keys(), answer.data(), decrypted));

  const SecureChannel channel = Session();
  EXPECT_EQ(WithoutParity(channel.ksEnc), WithoutParity("979EC13B1CBFE9DCD01AB0FED307EAE5"));
  EXPECT_EQ(WithoutParity(channel.ksMac), WithoutParity("F1CB1F1FB5ADF208806B89DC579DC1F8"));
  EXPECT_EQ(ToHex(channel.ssc, 8), "887022120C06C226");
}

TEST_F(WorkedExample, ProtectedReadsAndTheirAnswers) {
  SecureChannel channel = Session();
  // The example selected EF.COM first: two counts of the SSC.
  IncrementSsc(channel.ssc);
  IncrementSsc(channel.ssc);
  std::uint8_t command[kProtectedReadLength];
  BuildProtectedRead(&channel, 0x00, 0x00, 0x04, command);
  EXPECT_EQ(ToHex(channel.ssc, 8), "887022120C06C229");
  EXPECT_EQ(ToHex(command, sizeof command), "0CB000000D9701048E08ED6705417E96BA5500");

  std::uint8_t data[kMaxProtectedData];
  std::size_t length = 0;
  Bytes answer = FromHex("8709019FF0EC34F9922651990290008E08AD55CC17140B2DED9000");
  ASSERT_EQ(OpenProtectedAnswer(&channel, answer.data(), answer.size(), data, &length), AnswerCheck::kGood);
  EXPECT_EQ(ToHex(data, length), "60145F01");

  BuildProtectedRead(&channel, 0x00, 0x04, 0x12, command);
  EXPECT_EQ(ToHex(command, sizeof command), "0CB000040D9701128E082EA28A70F3C7B53500");
  answer = FromHex("871901FB9235F4E4037F2327DCC8964F1F9B8C30F42C8E2FFF224A990290008E08C8B2787EAEA07D749000");
  ASSERT_EQ(OpenProtectedAnswer(&channel, answer.data(), answer.size(), data, &length), AnswerCheck::kGood);
  EXPECT_EQ(ToHex(data, length), "04303130365F36063034303030305C026175");
}

TEST_F(WorkedExample, MalformedOrForgedAnswersAreRefused) {
  const std::string good = "8709019FF0EC34F9922651990290008E08AD55CC17140B2DED9000";
  struct Case {
    const char* what;
    std::string answer;
    AnswerCheck expected;
  };
  const Case cases[] = {
      {"status other than 90 00", good.substr(0, good.size() - 4) + "6A82", AnswerCheck::kStatus},
      {"too short for a status", "90", AnswerCheck::kStatus},
      {"wrong MAC", good.substr(0, good.size() - 6) + "EE9000", AnswerCheck::kMac},
      {"DO87 running past the answer", "8740019FF0EC34F9922651990290008E08AD55CC17140B2DED9000", AnswerCheck::kMac},
      {"DO87 long form past the answer", "878201009FF0EC34F9922651990290008E08AD55CC17140B2DED9000", AnswerCheck::kMac},
      {"no DO99", "8709019FF0EC34F99226518E08AD55CC17140B2DED9000", AnswerCheck::kMac},
      {"no DO8E", "8709019FF0EC34F9922651990290009000", AnswerCheck::kMac},
      {"nothing but the status", "9000", AnswerCheck::kMac},
  };
  for (const Case& c : cases) {
    SecureChannel channel = Session();
    for (int i = 0; i < 3; ++i) IncrementSsc(channel.ssc);  // ...C229, the command's count
    const Bytes answer = FromHex(c.answer);
    std::uint8_t data[kMaxProtectedData];
    std::size_t length = 0;
    EXPECT_EQ(OpenProtectedAnswer(&channel, answer.data(), answer.size(), data, &length), c.expected) << c.what;
  }
}

TEST(BacPieces, PaddingCounterAndRandomValues) {
  struct PadCase {
    std::size_t length;
    std::size_t padded;
  };
  for (const PadCase& c : {PadCase{0, 8}, PadCase{3, 8}, PadCase{7, 8}, PadCase{8, 16}, PadCase{32, 40}}) {
    const Bytes data(c.length, 0xAB);
    Bytes out(48, 0xEE);
    EXPECT_EQ(PadIso9797M2(data.data(), data.size(), out.data()), 1);
    Bytes expected = data;
    expected.push_back(0x80);
    expected.resize(c.padded, 0x00);
    expected.resize(48, 0xEE);
    EXPECT_EQ(out, expected) << c.length;
  }

  struct SscCase {
    const char* before;
    const char* after;
    int result;
  };
  for (const SscCase& c : {SscCase{"00000000000000FF", "0000000000000100", 1},
                           SscCase{"887022120C06C226", "887022120C06C227", 1},
                           SscCase{"00FFFFFFFFFFFFFF", "0100000000000000", 1},
                           SscCase{"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", 0}}) {
    Bytes ssc = FromHex(c.before);
    EXPECT_EQ(IncrementSsc(ssc.data()), c.result);
    EXPECT_EQ(ToHex(ssc), c.after);
  }

  // The system's source: fresh values each call, never a 0 byte.
  IfdRandom first, second;
  ASSERT_TRUE(DrawIfdRandom(&first));
  ASSERT_TRUE(DrawIfdRandom(&second));
  EXPECT_NE(ToHex(first.rndIfd, 8) + ToHex(first.kIfd, 16), ToHex(second.rndIfd, 8) + ToHex(second.kIfd, 16));
  EXPECT_NE(ToHex(first.rndIfd, 8), ToHex(first.kIfd, 8));
  for (const IfdRandom* random : {&first, &second}) {
    for (std::uint8_t byte : Bytes(random->rndIfd, random->rndIfd + 8)) EXPECT_NE(byte, 0);
    for (std::uint8_t byte : Bytes(random->kIfd, random->kIfd + 16)) EXPECT_NE(byte, 0);
  }
}

TEST(BacPieces, MrzCheckDigits) {
  struct Case {
    std::string mrz;
    int result;
  };
  const std::string good = "L898902C<3UTO6908061F9406236ZE184226B<<<<<14";
  auto with = [&good](std::size_t position, char c) {
    std::string line = good;
    line[position] = c;
    return line;
  };
  const Case cases[] = {
      {good, 1},
      {good.substr(0, 43), 0},
      {good + "<", 0},
      {with(9, '4'), -1},
      {with(8, 'B'), -1},  // the '<' counted 0: a letter (11) in its place changes the sum
      {with(19, '2'), -2},
      {with(27, '5'), -3},
  };
  for (const Case& c : cases) EXPECT_EQ(CheckMrzLine(c.mrz.c_str()), c.result) << c.mrz;
  EXPECT_EQ(CheckMrzLine(nullptr), 0);
}

}  // namespace
}  // namespace vantel
