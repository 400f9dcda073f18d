#pragma once
// ICAO 9303 Basic Access Control: the MRZ check, the access keys, ISO 9797-1 MAC algorithm 3
// with padding method 2, the send sequence counter and the mutual authentication.
#include <cstddef>
#include <cstdint>

#include "library/device/passport/secure_messaging.h"

namespace vantel {

constexpr int kMrzLineLength = 44;

// 1 when the 44-character line's three check digits hold; 0 for another length; -1, -2, -3
// for a wrong document-number, birth-date or expiry check digit.
int CheckMrzLine(const char* mrz);
// Kseed: the first 16 bytes of SHA-1 over the document number, birth date and expiry, each
// with its check digit (24 characters of a checked line).
void MrzKeySeed(const char* mrz, std::uint8_t seed16[16]);
// The first 16 bytes of SHA-1(seed || 00 00 00 counter); counter 1 gives the encryption key,
// 2 the MAC key. No parity adjustment: DES ignores those bits.
void DeriveKey(const std::uint8_t seed16[16], std::uint8_t counter, std::uint8_t key16[16]);

// Appends 80 and zero bytes up to the next multiple of 8 (a whole block for a multiple of
// 8): `out` holds len / 8 * 8 + 8 bytes. Returns 1.
int PadIso9797M2(const std::uint8_t* data, std::size_t len, std::uint8_t* out);
// MAC algorithm 3 over the len / 8 whole blocks of already padded data: DES-CBC with K1 and a
// zero IV, the last block then deciphered with K2 and enciphered with K1.
void RetailMac(const std::uint8_t key16[16], const std::uint8_t* data, std::size_t len, std::uint8_t mac8[8]);
// Adds 1 to the big-endian counter; leaves eight FF bytes as they are and returns 0.
int IncrementSsc(std::uint8_t ssc8[8]);

struct BacKeys {
  std::uint8_t enc[16];
  std::uint8_t mac[16];
};
void BacKeysFromSeed(const std::uint8_t seed16[16], BacKeys* keys);

// The terminal's random values, no byte 0.
struct IfdRandom {
  std::uint8_t rndIfd[8];
  std::uint8_t kIfd[16];
};
// Where the random bytes come from: the system's cryptographic source unless a test sets
// its own. Returns the source it replaces.
using RandomSource = bool (*)(std::uint8_t* out, std::size_t length);
RandomSource SetBacRandomSource(RandomSource source);
// RND.IFD, then K.IFD; false when the source fails.
bool DrawIfdRandom(IfdRandom* random);

constexpr std::size_t kMutualAuthenticateLength = 46;
constexpr std::size_t kAuthenticationDataLength = 40;
// 00 82 00 00 28, E_IFD, M_IFD, 28.
void BuildMutualAuthenticate(const BacKeys& keys, const std::uint8_t rndIc[8], const IfdRandom& random,
                             std::uint8_t command[kMutualAuthenticateLength]);
// Checks M_IC over E_IC and deciphers E_IC into RND.IC || RND.IFD || K.IC; false for a wrong
// MAC.
bool OpenMutualAuthenticateAnswer(const BacKeys& keys, const std::uint8_t answer[kAuthenticationDataLength],
                                  std::uint8_t decrypted[32]);
// Whether the deciphered answer RND.IC || RND.IFD || K.IC carries the chip's challenge and
// this terminal's RND.IFD: a genuine answer to another access does not.
bool AnswersThisChallenge(const std::uint8_t decrypted[32], const std::uint8_t rndIc[8], const IfdRandom& random);
// The session keys from K.IFD xor K.IC and SSC = RND.IC[4..7] || RND.IFD[4..7].
void StartSecureChannel(const IfdRandom& random, const std::uint8_t rndIc[8], const std::uint8_t kIc[16],
                        SecureChannel* channel);

}  // namespace vantel
