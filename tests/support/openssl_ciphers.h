#pragma once
// OpenSSL's ciphers and digests over byte vectors, for the simulator's chips: values made
// independently of the library's own primitives.
#include <openssl/evp.h>

#include <cstdint>
#include <vector>

namespace vantel_test {

// Whole blocks, no padding; `iv` empty for ECB.
std::vector<std::uint8_t> RunCipher(const EVP_CIPHER* cipher, const std::vector<std::uint8_t>& key,
                                    const std::vector<std::uint8_t>& iv, const std::vector<std::uint8_t>& data,
                                    bool encrypt);
std::vector<std::uint8_t> RunDigest(const EVP_MD* digest, const std::vector<std::uint8_t>& data);

}  // namespace vantel_test
