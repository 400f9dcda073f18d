#pragma once
// DES and two-key triple DES (FIPS 46-3, SP 800-67) in CBC mode, for the passport's access
// keys and secure messaging. Each context keeps the IV it was given, so a chain can be
// restarted without setting the key again.
#include <cstddef>
#include <cstdint>

namespace vantel {

// One key's 16 round keys for one direction, two cooked words per round.
using DesSchedule = std::uint32_t[32];

struct DesContext {
  DesSchedule schedule;
  std::uint32_t iv[2];       // big-endian halves of the current IV
  std::uint32_t savedIv[2];  // the IV given with the key
  int encrypt;               // 1 encrypt, 0 decrypt
};

struct Des3Context {
  DesSchedule schedule[3];
  std::uint32_t iv[2];
  std::uint32_t savedIv[2];
  int encrypt;
};

void DesSetKey(DesContext* ctx, const std::uint8_t key8[8], const std::uint8_t iv8[8], int encrypt);
// EDE with K1 = key16[0..7], K2 = key16[8..15] and K3 = K1.
void Des3SetKey2(Des3Context* ctx, const std::uint8_t key16[16], const std::uint8_t iv8[8],
                 int encrypt);
// `len` must be a multiple of 8, else 1 and nothing is done; 0 otherwise. `in` and `out`
// may be the same buffer.
int DesCbc(DesContext* ctx, std::uint8_t* out, const std::uint8_t* in, std::size_t len);
int Des3Cbc(Des3Context* ctx, std::uint8_t* out, const std::uint8_t* in, std::size_t len);
// The next call starts a new chain from the IV given with the key.
void DesResetIv(DesContext* ctx);
void Des3ResetIv(Des3Context* ctx);

void DesKeySchedule(DesSchedule schedule, const std::uint8_t key8[8], int encrypt);
// Each round's 48 bits as two 24-bit words (groups 1-4, then 5-8) to the cooked layout:
// word 0 holds the odd-numbered 6-bit groups (1, 3, 5, 7) in its four bytes, word 1 the even
// ones, each in the low six bits of its byte, as the round function looks them up.
void DesCookKey(const std::uint32_t raw[32], DesSchedule cooked);
// Enciphers or deciphers (by the schedule) one block held as two big-endian words.
void DesBlock(std::uint32_t words2[2], const DesSchedule schedule);

void LoadBe64(const std::uint8_t bytes[8], std::uint32_t words2[2]);
void StoreBe64(const std::uint32_t words2[2], std::uint8_t bytes[8]);

}  // namespace vantel
