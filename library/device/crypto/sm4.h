#pragma once
// SM4 (GB/T 32907) in ECB and CBC mode, behind the SM4 exports and the encryption chip.
// Lengths that are not a multiple of 16 are rounded up to whole blocks: the caller's
// buffers cover the rounded length.
#include <cstdint>

namespace vantel {

struct Sm4Context {
  int direction;            // 1 encrypt, 0 decrypt
  std::uint32_t roundKeys[32];
};

void Sm4SetEncryptKey(Sm4Context* ctx, const std::uint8_t key16[16]);
void Sm4SetDecryptKey(Sm4Context* ctx, const std::uint8_t key16[16]);
void Sm4Block(const std::uint32_t roundKeys[32], const std::uint8_t in16[16], std::uint8_t out16[16]);
// The context's keys decide the direction; the argument is not used.
void Sm4Ecb(const Sm4Context* ctx, int direction, int len, const std::uint8_t* in, std::uint8_t* out);
// Direction 1 encrypts, any other decrypts; iv16 is updated in place, so consecutive calls
// continue one chain.
void Sm4Cbc(const Sm4Context* ctx, int direction, int len, std::uint8_t iv16[16],
            const std::uint8_t* in, std::uint8_t* out);

}  // namespace vantel
