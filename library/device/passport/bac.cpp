#include "library/device/passport/bac.h"

#include <cstring>

#include "library/device/crypto/des.h"
#include "library/device/crypto/sha1.h"
#include "library/device/crypto/wipe_bytes.h"
#include "platform/random_bytes.h"

namespace vantel {
namespace {

const std::uint8_t kZeroIv[8] = {};

int CharacterValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  return 0;  // the filler '<' and anything else
}

// The field's check digit (weights 7, 3, 1) against the digit that follows it.
bool CheckDigitHolds(const char* mrz, int first, int length) {
  static const int kWeights[3] = {7, 3, 1};
  int sum = 0;
  for (int i = 0; i < length; ++i) sum += CharacterValue(mrz[first + i]) * kWeights[i % 3];
  return CharacterValue(mrz[first + length]) == sum % 10;
}

RandomSource gRandomSource = platform::FillRandomBytes;

// Fills with bytes of the source, none of them 0.
bool DrawNonZero(std::uint8_t* out, std::size_t length) {
  constexpr int kTries = 64;
  if (!gRandomSource(out, length)) return false;
  for (std::size_t i = 0; i < length; ++i) {
    for (int tries = 0; out[i] == 0; ++tries) {
      if (tries == kTries || !gRandomSource(out + i, 1)) return false;
    }
  }
  return true;
}

// MAC over `len` bytes padded with method 2.
void PaddedMac(const std::uint8_t key16[16], const std::uint8_t* data, std::size_t len, std::uint8_t mac8[8]) {
  std::uint8_t padded[kAuthenticationDataLength];
  PadIso9797M2(data, len, padded);
  RetailMac(key16, padded, len / 8 * 8 + 8, mac8);
}

}  // namespace

int CheckMrzLine(const char* mrz) {
  if (!mrz || std::strlen(mrz) != kMrzLineLength) return 0;
  if (!CheckDigitHolds(mrz, 0, 9)) return -1;
  if (!CheckDigitHolds(mrz, 13, 6)) return -2;
  if (!CheckDigitHolds(mrz, 21, 6)) return -3;
  return 1;
}

void MrzKeySeed(const char* mrz, std::uint8_t seed16[16]) {
  Sha1Context sha;
  Sha1Init(&sha);
  Sha1Update(&sha, reinterpret_cast<const std::uint8_t*>(mrz), 10);
  Sha1Update(&sha, reinterpret_cast<const std::uint8_t*>(mrz + 13), 7);
  Sha1Update(&sha, reinterpret_cast<const std::uint8_t*>(mrz + 21), 7);
  Sha1Final(&sha);
  std::memcpy(seed16, sha.block, 16);
  WipeBytes(&sha, sizeof sha);
}

void DeriveKey(const std::uint8_t seed16[16], std::uint8_t counter, std::uint8_t key16[16]) {
  const std::uint8_t counterBytes[4] = {0, 0, 0, counter};
  Sha1Context sha;
  Sha1Init(&sha);
  Sha1Update(&sha, seed16, 16);
  Sha1Update(&sha, counterBytes, sizeof counterBytes);
  Sha1Final(&sha);
  std::memcpy(key16, sha.block, 16);
  WipeBytes(&sha, sizeof sha);
}

void BacKeysFromSeed(const std::uint8_t seed16[16], BacKeys* keys) {
  DeriveKey(seed16, 1, keys->enc);
  DeriveKey(seed16, 2, keys->mac);
}

int PadIso9797M2(const std::uint8_t* data, std::size_t len, std::uint8_t* out) {
  if (len > 0) std::memmove(out, data, len);
  const std::size_t padded = len / 8 * 8 + 8;
  out[len] = 0x80;
  std::memset(out + len + 1, 0, padded - len - 1);
  return 1;
}

void RetailMac(const std::uint8_t key16[16], const std::uint8_t* data, std::size_t len, std::uint8_t mac8[8]) {
  DesContext des;
  std::uint8_t chain[8] = {};
  DesSetKey(&des, key16, kZeroIv, 1);
  for (std::size_t offset = 0; offset + 8 <= len; offset += 8) DesCbc(&des, chain, data + offset, 8);
  DesSetKey(&des, key16 + 8, kZeroIv, 0);
  DesCbc(&des, chain, chain, 8);
  DesSetKey(&des, key16, kZeroIv, 1);
  DesCbc(&des, mac8, chain, 8);
  WipeBytes(&des, sizeof des);
  WipeBytes(chain, sizeof chain);
}

int IncrementSsc(std::uint8_t ssc8[8]) {
  int i = 7;
  while (i >= 0 && ssc8[i] == 0xFF) --i;
  if (i < 0) return 0;
  ++ssc8[i];
  for (int j = i + 1; j < 8; ++j) ssc8[j] = 0;
  return 1;
}

RandomSource SetBacRandomSource(RandomSource source) {
  const RandomSource previous = gRandomSource;
  gRandomSource = source;
  return previous;
}

bool DrawIfdRandom(IfdRandom* random) {
  return DrawNonZero(random->rndIfd, sizeof random->rndIfd) && DrawNonZero(random->kIfd, sizeof random->kIfd);
}

void BuildMutualAuthenticate(const BacKeys& keys, const std::uint8_t rndIc[8], const IfdRandom& random,
                             std::uint8_t command[kMutualAuthenticateLength]) {
  static const std::uint8_t kHeader[5] = {0x00, 0x82, 0x00, 0x00, 0x28};
  std::uint8_t s[32];
  std::memcpy(s, random.rndIfd, 8);
  std::memcpy(s + 8, rndIc, 8);
  std::memcpy(s + 16, random.kIfd, 16);
  std::memcpy(command, kHeader, sizeof kHeader);
  std::uint8_t* eIfd = command + sizeof kHeader;
  Des3Context des3;
  Des3SetKey2(&des3, keys.enc, kZeroIv, 1);
  Des3Cbc(&des3, eIfd, s, sizeof s);
  PaddedMac(keys.mac, eIfd, 32, eIfd + 32);
  command[kMutualAuthenticateLength - 1] = 0x28;
  WipeBytes(s, sizeof s);
  WipeBytes(&des3, sizeof des3);
}

bool OpenMutualAuthenticateAnswer(const BacKeys& keys, const std::uint8_t answer[kAuthenticationDataLength],
                                  std::uint8_t decrypted[32]) {
  std::uint8_t mac[8];
  PaddedMac(keys.mac, answer, 32, mac);
  if (std::memcmp(mac, answer + 32, sizeof mac) != 0) return false;
  Des3Context des3;
  Des3SetKey2(&des3, keys.enc, kZeroIv, 0);
  Des3Cbc(&des3, decrypted, answer, 32);
  WipeBytes(&des3, sizeof des3);
  return true;
}

bool AnswersThisChallenge(const std::uint8_t decrypted[32], const std::uint8_t rndIc[8], const IfdRandom& random) {
  return std::memcmp(decrypted, rndIc, 8) == 0 && std::memcmp(decrypted + 8, random.rndIfd, 8) == 0;
}

void StartSecureChannel(const IfdRandom& random, const std::uint8_t rndIc[8], const std::uint8_t kIc[16],
                        SecureChannel* channel) {
  std::uint8_t seed[16];
  for (int i = 0; i < 16; ++i) seed[i] = random.kIfd[i] ^ kIc[i];
  DeriveKey(seed, 1, channel->ksEnc);
  DeriveKey(seed, 2, channel->ksMac);
  std::memcpy(channel->ssc, rndIc + 4, 4);
  std::memcpy(channel->ssc + 4, random.rndIfd + 4, 4);
  WipeBytes(seed, sizeof seed);
}

}  // namespace vantel
