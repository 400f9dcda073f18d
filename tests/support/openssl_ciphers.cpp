#include "support/openssl_ciphers.h"

namespace vantel_test {

std::vector<std::uint8_t> RunCipher(const EVP_CIPHER* cipher, const std::vector<std::uint8_t>& key,
                                    const std::vector<std::uint8_t>& iv, const std::vector<std::uint8_t>& data,
                                    bool encrypt) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), iv.empty() ? nullptr : iv.data(), encrypt ? 1 : 0);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  std::vector<std::uint8_t> out(data.size() + 32);
  int length = 0, tail = 0;
  EVP_CipherUpdate(ctx, out.data(), &length, data.data(), static_cast<int>(data.size()));
  EVP_CipherFinal_ex(ctx, out.data() + length, &tail);
  EVP_CIPHER_CTX_free(ctx);
  out.resize(static_cast<std::size_t>(length + tail));
  return out;
}

std::vector<std::uint8_t> RunDigest(const EVP_MD* digest, const std::vector<std::uint8_t>& data) {
  std::vector<std::uint8_t> out(EVP_MAX_MD_SIZE);
  unsigned length = 0;
  EVP_Digest(data.data(), data.size(), out.data(), &length, digest, nullptr);
  out.resize(length);
  return out;
}

}  // namespace vantel_test
