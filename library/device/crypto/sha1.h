#pragma once
// SHA-1 (FIPS 180-4) for the passport's key derivation. The digest is left in the context:
// after Sha1Final the first 20 bytes of `block` hold it.
#include <cstddef>
#include <cstdint>

namespace vantel {

struct Sha1Context {
  std::uint32_t state[5];
  std::uint64_t blocks;     // whole 64-byte blocks processed
  std::uint8_t block[64];   // pending bytes; the digest after Sha1Final
  std::uint32_t used;       // bytes in `block` (0..64)
};

constexpr std::size_t kSha1DigestSize = 20;

void Sha1Init(Sha1Context* ctx);
// A null `data` only processes a full buffer.
void Sha1Update(Sha1Context* ctx, const std::uint8_t* data, std::size_t len);
void Sha1Final(Sha1Context* ctx);
// The compression of one block given as sixteen big-endian words, which serve as the
// message schedule's ring and are overwritten.
void Sha1Transform(std::uint32_t words[16], Sha1Context* ctx);
// The same compression on a bare state; the signature class shares it.
void Sha1Compress(std::uint32_t state[5], std::uint32_t words[16]);

}  // namespace vantel
