#pragma once
// ICAO 9303 secure messaging for READ BINARY: the protected command and the check and
// unwrapping of its answer (DO87 DO99 DO8E SW1 SW2).
#include <cstddef>
#include <cstdint>

namespace vantel {

struct SecureChannel {
  std::uint8_t ksEnc[16];
  std::uint8_t ksMac[16];
  std::uint8_t ssc[8];
};

constexpr std::size_t kProtectedReadLength = 19;
// The largest plain data an answer in the 256-byte answer buffer can carry.
constexpr std::size_t kMaxProtectedData = 256;

// Increments the SSC and builds 0C B0 P1 P2 0D 97 01 Le 8E 08 MAC 00.
void BuildProtectedRead(SecureChannel* channel, std::uint8_t p1, std::uint8_t p2, std::uint8_t le,
                        std::uint8_t command[kProtectedReadLength]);

enum class AnswerCheck { kGood, kStatus, kMac };
// kStatus when the answer does not end with 90 00. Otherwise increments the SSC and checks
// the MAC over SSC || DO87 || DO99; an answer whose objects do not parse, or whose DO87
// does not decipher to padded data, counts as a wrong MAC. Past the MAC, a DO99 status
// other than 90 00 is kStatus. On kGood `data` holds the deciphered contents without their
// padding.
AnswerCheck OpenProtectedAnswer(SecureChannel* channel, const std::uint8_t* answer, std::size_t length,
                                std::uint8_t data[kMaxProtectedData], std::size_t* dataLength);

}  // namespace vantel
