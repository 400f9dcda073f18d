#include "library/device/crypto/sm_buffers.h"

#include <cstring>
#include <vector>

#include "library/device/crypto/sm3.h"
#include "library/device/crypto/sm4.h"
#include "library/device/crypto/wipe_bytes.h"

namespace vantel {
namespace {

// The input's len bytes, zero-padded to whole blocks.
std::vector<std::uint8_t> PaddedCopy(const std::uint8_t* in, int len) {
  std::vector<std::uint8_t> copy((static_cast<std::size_t>(len) + 15) / 16 * 16, 0);
  std::memcpy(copy.data(), in, static_cast<std::size_t>(len));
  return copy;
}

void SetKey(Sm4Context* ctx, int mode, const std::uint8_t* key16) {
  if (mode == 1)
    Sm4SetEncryptKey(ctx, key16);
  else
    Sm4SetDecryptKey(ctx, key16);
}

}  // namespace

int Sm3Buffer(const void* data, int len, std::uint8_t* out32) {
  if (!data || !out32 || len < 0) return 0;
  Sm3Digest(static_cast<const std::uint8_t*>(data), static_cast<std::size_t>(len), out32);
  return 1;
}

void Sm4EcbBuffer(int mode, const std::uint8_t* key16, const std::uint8_t* in, int len, std::uint8_t* out) {
  if (!key16 || !in || !out || len <= 0) return;
  std::vector<std::uint8_t> copy = PaddedCopy(in, len);
  Sm4Context ctx;
  SetKey(&ctx, mode, key16);
  Sm4Ecb(&ctx, mode, len, copy.data(), out);
  WipeBytes(&ctx, sizeof ctx);
  WipeBytes(copy.data(), copy.size());
}

int Sm4CbcBuffer(int mode, const std::uint8_t* key16, std::uint8_t* iv16, const std::uint8_t* in, int len,
                 std::uint8_t* out) {
  if (!key16 || !iv16 || !in || !out) return -2;
  if (len <= 0) return 0;
  std::vector<std::uint8_t> copy = PaddedCopy(in, len);
  Sm4Context ctx;
  SetKey(&ctx, mode, key16);
  Sm4Cbc(&ctx, mode == 1 ? 1 : 0, len, iv16, copy.data(), out);
  WipeBytes(&ctx, sizeof ctx);
  WipeBytes(copy.data(), copy.size());
  return 0;
}

}  // namespace vantel
