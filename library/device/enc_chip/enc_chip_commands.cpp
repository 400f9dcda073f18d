#include "library/device/enc_chip/enc_chip_commands.h"

#include <algorithm>
#include <cstring>

#include "library/device/crypto/sm3.h"
#include "library/device/crypto/sm4.h"
#include "library/device/crypto/wipe_bytes.h"
#include "library/device/device_state.h"
#include "library/device/enc_chip/chip_derive.h"
#include "library/device/enc_chip/enc_chip_exchange.h"
#include "library/device/enc_chip/upgrade_block.h"
#include "library/device/sam_commands.h"

namespace vantel {
namespace {

constexpr std::uint8_t kGetId = 0x01, kGetRandom = 0x02, kSm4 = 0x03, kSm3 = 0x04, kInit = 0x05,
                       kUpdateKey = 0x06, kGetKey = 0x07, kUpgrade = 0x08, kReadBaseMsg = 0x09;
constexpr int kNotHid = -1;
constexpr int kNoRandom = -21;
constexpr int kNoSamId = -22;
constexpr int kBadDigest = -8;
constexpr int kNotSamFrame = -8;
constexpr int kNoChipId = -22;
constexpr std::size_t kChipIdLength = 19;
constexpr unsigned kMaxChipData = 2560;
constexpr unsigned kMaxSm3OneBlock = 64;
constexpr int kSamIdOk = 144;
const char kInitConstant[] = "Tprk5820";
const char kUpgradeKey[] = "05316248790-6642";

bool OnHid() { return Device().gPort == kHidPort; }

// 0 for a good answer with status 0; else the status or the failure's code.
int Outcome(EncChipCheck check, const EncChipAnswer& answer, int noAnswerCode, int crcCode) {
  switch (check) {
    case EncChipCheck::kNoValidAnswer: return noAnswerCode;
    case EncChipCheck::kCrcMismatch: return crcCode;
    case EncChipCheck::kGood: break;
  }
  return answer.Status();
}

void PutLe32(std::uint32_t value, std::uint8_t* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

int RandomAndSamId(std::uint8_t random[16], std::uint8_t samId[16]) {
  if (GetChipRandom(random, 16) != 0) return kNoRandom;
  if (GetSamId(Device().gPort, samId, 0) != kSamIdOk) return kNoSamId;
  return 0;
}

// Command 06 with index, the block's 48 bytes after its first four, and the check value over
// the whole block.
int SendKeyBlock(int index, const std::uint8_t block[52], const std::uint8_t* w8) {
  std::uint8_t random[16], samId[16];
  const int ready = RandomAndSamId(random, samId);
  if (ready != 0) return ready;
  std::uint8_t args[68];
  PutLe32(static_cast<std::uint32_t>(index), args);
  std::memcpy(args + 4, block + 4, 48);
  ChipDerive(block, 52, random, w8, 8, samId, args + 52);
  EncChipAnswer answer;
  const int result = Outcome(ExchangeWithEncChip(kUpdateKey, args, sizeof args, &answer), answer, -5, -6);
  WipeBytes(args, sizeof args);
  return result;
}

}  // namespace

int GetEncChipId(std::uint8_t* out) {
  if (!out || !OnHid()) return kNotHid;
  EncChipAnswer answer;
  const int result = Outcome(ExchangeWithEncChip(kGetId, nullptr, 0, &answer), answer, -2, -3);
  if (result != 0) return result;
  std::memcpy(out, answer.Data(), std::min(answer.DataLength(), kChipIdLength));
  return 0;
}

int GetChipRandom(std::uint8_t* out, int n) {
  if (!out || n <= 0 || !OnHid()) return kNotHid;
  const std::uint8_t count = static_cast<std::uint8_t>(n);
  EncChipAnswer answer;
  const int result = Outcome(ExchangeWithEncChip(kGetRandom, &count, 1, &answer), answer, -2, -3);
  if (result != 0) return result;
  std::memcpy(out, answer.Data(), std::min(answer.DataLength(), static_cast<std::size_t>(n)));
  return 0;
}

int GetChipSm4(unsigned mode, const std::uint8_t* key16, const std::uint8_t* iv16, const std::uint8_t* data,
               unsigned len, std::uint8_t* out, int* outLen) {
  if (mode > 3 || !key16 || !data || !out || len == 0 || len > kMaxChipData) return -2;
  if (len % 16 != 0) return -3;
  const bool withIv = mode >= 2;
  if (withIv && !iv16) return -4;
  if (!OnHid()) return kNotHid;
  std::uint8_t args[4 + 16 + kMaxChipData + 16];
  PutLe32(mode, args);
  std::memcpy(args + 4, key16, 16);
  std::memcpy(args + 20, data, len);
  if (withIv) std::memcpy(args + 20 + len, iv16, 16);
  EncChipAnswer answer;
  const int result =
      Outcome(ExchangeWithEncChip(kSm4, args, 20 + len + (withIv ? 16 : 0), &answer), answer, -5, -6);
  WipeBytes(args, sizeof args);
  if (result != 0) return result;
  if (answer.DataLength() < 4) return -5;
  const std::uint8_t* stated = answer.Data();
  const std::size_t statedLength = stated[0] | stated[1] << 8 | stated[2] << 16 | std::size_t{stated[3]} << 24;
  const std::size_t copied = std::min({answer.DataLength() - 4, static_cast<std::size_t>(len), statedLength});
  std::memcpy(out, answer.Data() + 4, copied);
  if (outLen) *outLen = static_cast<int>(copied);
  return 0;
}

int GetChipSm3(unsigned mode, const std::uint8_t* data, unsigned len, std::uint8_t* out) {
  if (mode > 3 || len > kMaxChipData || ((mode == 1 || mode == 2) && len > kMaxSm3OneBlock) || (!data && len > 0))
    return -2;
  const bool givesDigest = mode >= 2;
  if (givesDigest && !out) return -8;
  if (!OnHid()) return kNotHid;
  std::uint8_t args[4 + kMaxChipData];
  PutLe32(mode, args);
  if (len > 0) std::memcpy(args + 4, data, len);
  EncChipAnswer answer;
  const int result = Outcome(ExchangeWithEncChip(kSm3, args, 4 + len, &answer), answer, -5, -6);
  if (result != 0 || !givesDigest) return result;
  if (answer.DataLength() < kSm3DigestSize) return -5;
  std::memcpy(out, answer.Data(), kSm3DigestSize);
  return 0;
}

int EncChipInit(const std::uint8_t* value8) {
  if (!value8) return -2;
  if (!OnHid()) return kNotHid;
  std::uint8_t args[40];  // value, SAM id, init value
  std::memcpy(args, value8, 8);
  if (GetSamId(Device().gPort, args + 8, 0) != kSamIdOk) return kNoSamId;
  std::uint8_t random[16];
  if (GetChipRandom(random, 16) != 0) return kNoRandom;
  ChipDerive(args, 24, random, reinterpret_cast<const std::uint8_t*>(kInitConstant), 8, args + 8, args + 24);
  EncChipAnswer answer;
  return Outcome(ExchangeWithEncChip(kInit, args, sizeof args, &answer), answer, -2, -3);
}

int UpdateEncChipKey(int index, const std::uint8_t* w8, const std::uint8_t* key16, const std::uint8_t* newKey16) {
  if (!w8 || !key16 || !newKey16) return -2;
  if (!OnHid()) return kNotHid;
  std::uint8_t block[52] = {static_cast<std::uint8_t>(index)};
  Sm4Context sm4;
  Sm4SetEncryptKey(&sm4, key16);
  std::uint8_t iv[16] = {};
  Sm4Cbc(&sm4, 1, 16, iv, newKey16, block + 4);
  WipeBytes(&sm4, sizeof sm4);
  ChipSm3Digest(newKey16, w8, block + 20);
  const int result = SendKeyBlock(index, block, w8);
  WipeBytes(block, sizeof block);
  return result;
}

int UpdateNewChipKey(const std::uint8_t* w8, const std::uint8_t* data16, const std::uint8_t* data32) {
  if (!w8 || !data16 || !data32) return -2;
  if (!OnHid()) return kNotHid;
  constexpr int kNewKeyIndex = 2;
  std::uint8_t block[52] = {kNewKeyIndex};
  std::memcpy(block + 4, data16, 16);
  std::memcpy(block + 20, data32, 32);
  return SendKeyBlock(kNewKeyIndex, block, w8);
}

int GetEncChipKey(int index, const char* w, std::uint8_t* out16) {
  if (!out16 || !w || !*w) return -2;
  if (!OnHid()) return kNotHid;
  std::uint8_t w8[8] = {};
  for (int i = 0; i < 8 && w[i]; ++i) w8[i] = static_cast<std::uint8_t>(w[i]);
  std::uint8_t random[16], samId[16];
  const int ready = RandomAndSamId(random, samId);
  if (ready != 0) return ready;
  std::uint8_t args[20];
  PutLe32(static_cast<std::uint32_t>(index), args);
  ChipDerive(args, 4, random, w8, 8, samId, args + 4);
  EncChipAnswer answer;
  const int result = Outcome(ExchangeWithEncChip(kGetKey, args, sizeof args, &answer), answer, -5, -6);
  if (result != 0) return result;
  if (answer.DataLength() < 16 + kSm3DigestSize) return -5;
  Sm4Context sm4;
  Sm4SetDecryptKey(&sm4, samId);
  std::uint8_t iv[16] = {};
  Sm4Cbc(&sm4, 0, 16, iv, answer.Data(), out16);
  WipeBytes(&sm4, sizeof sm4);
  std::uint8_t digest[kSm3DigestSize];
  ChipSm3Digest(out16, w8, digest);
  if (std::memcmp(digest, answer.Data() + 16, sizeof digest) != 0) {
    std::memset(out16, 0, 16);
    return kBadDigest;
  }
  return 0;
}

int UpgradeEncChip() {
  if (!OnHid()) return kNotHid;
  std::uint8_t args[kUpgradeBlockSize + 16];
  if (!BuildUpgradeBlock(args)) return kNoChipFirmware;
  std::uint8_t random[16], chipId[kChipIdLength];
  if (GetChipRandom(random, 16) != 0) return kNoRandom;
  if (GetEncChipId(chipId) != 0) return kNoChipId;
  ChipDerive(nullptr, 0, random, chipId, kChipIdLength, reinterpret_cast<const std::uint8_t*>(kUpgradeKey),
             args + kUpgradeBlockSize);
  EncChipAnswer answer;
  return Outcome(ExchangeWithEncChip(kUpgrade, args, sizeof args, &answer), answer, -5, -6);
}

int EncChipReadBaseMsg(std::uint8_t* out32, std::uint8_t* data, int* dataLen, std::uint8_t* out16) {
  if (!out32 || !data || !dataLen || !out16) return -2;
  if (!OnHid()) return kNotHid;
  EncChipAnswer answer;
  const int result = Outcome(ExchangeWithEncChip(kReadBaseMsg, nullptr, 0, &answer), answer, -5, -6);
  if (result != 0) return result;
  constexpr std::size_t kFixedBodyBytes = 57;  // LEN, 00 00, CMD, status, 3, 32 and 16 bytes
  if (answer.bodyLength < kFixedBodyBytes) return -5;
  const std::size_t length = answer.bodyLength - kFixedBodyBytes;
  // The caller's data has room for the largest base message only.
  if (length > static_cast<std::size_t>(kMaxChipBaseMsgData)) return -5;
  const std::uint8_t* body = answer.frame + 9;
  std::memcpy(out32, body + 9, 32);
  std::memcpy(data, body + 41, length);
  std::memcpy(out16, body + 41 + length, 16);
  *dataLen = static_cast<int>(length);
  static const std::uint8_t kSamPreamble[5] = {0xAA, 0xAA, 0xAA, 0x96, 0x69};
  if (length < sizeof kSamPreamble || std::memcmp(data, kSamPreamble, sizeof kSamPreamble) != 0) return kNotSamFrame;
  return 0;
}

}  // namespace vantel
