#pragma once
// SM3 and SM4 over caller buffers, as the SM exports offer them. A length that is not a
// multiple of 16 is enciphered as whole blocks, the last one zero-padded in a copy: only len
// bytes of `in` are read, and `out` receives the whole rounded-up length.
#include <cstdint>

namespace vantel {

// 1 with the digest in out32; 0 for a null argument or a negative len.
int Sm3Buffer(const void* data, int len, std::uint8_t* out32);
// Mode 1 enciphers, any other value deciphers; nothing for a null argument or len <= 0.
void Sm4EcbBuffer(int mode, const std::uint8_t* key16, const std::uint8_t* in, int len, std::uint8_t* out);
// As above in CBC mode, iv16 updated in place; 0, or -2 for a null argument (nothing done).
int Sm4CbcBuffer(int mode, const std::uint8_t* key16, std::uint8_t* iv16, const std::uint8_t* in, int len,
                 std::uint8_t* out);

}  // namespace vantel
