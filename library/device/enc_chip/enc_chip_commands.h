#pragma once
// The encryption chip's commands on the HID reader. Every one needs the HID port (gPort 8159,
// else -1); a non-zero chip status is returned as it is. Copies into caller buffers never
// exceed what the request implies, whatever LEN the chip states.
#include <cstdint>

#include "library/cards/fingerprint/fp_frame.h"

namespace vantel {

// The upgrade's own failure: the chip maker's firmware table is not known; nothing is sent.
constexpr int kNoChipFirmware = -23;
// The most base-message bytes command 09 hands out: the SAM's largest base-message answer,
// the fingerprint one.
constexpr int kMaxChipBaseMsgData = static_cast<int>(kFPBaseMsgFrameSize);

// 0 and the 19-byte chip id; -1 null out or not HID; -2 no valid answer; -3 CRC mismatch.
int GetEncChipId(std::uint8_t* out);
// 0 and n random bytes; -1 also for n <= 0; -2; -3.
int GetChipRandom(std::uint8_t* out, int n);
// 0 with len bytes in out and their count in *outLen (when given); -2 mode > 3, null key, data
// or out, len 0 or above 2560; -3 len not a multiple of 16; -4 null iv for modes 2 and 3;
// -1; -5 no valid answer; -6 CRC mismatch.
int GetChipSm4(unsigned mode, const std::uint8_t* key16, const std::uint8_t* iv16, const std::uint8_t* data,
               unsigned len, std::uint8_t* out, int* outLen);
// 0 (modes 2 and 3 with the 32-byte digest in out); -2 mode > 3, len above 2560, modes 1
// and 2 with len above 64, or null data; -8 null out for modes 2 and 3; -1; -5; -6.
int GetChipSm3(unsigned mode, const std::uint8_t* data, unsigned len, std::uint8_t* out);
// The chip's status; -2 null value or no valid answer; -1; -22 SAM id not read; -21 random
// not read; -3 CRC mismatch.
int EncChipInit(const std::uint8_t* value8);
// The status; -2 a null argument; -1; -21; -22; -5; -6.
int UpdateEncChipKey(int index, const std::uint8_t* w8, const std::uint8_t* key16, const std::uint8_t* newKey16);
int UpdateNewChipKey(const std::uint8_t* w8, const std::uint8_t* data16, const std::uint8_t* data32);
// 0 with the key in out16; -2 null out, null or empty w (its first 8 characters, up to its
// end, zero-padded); -1; -21; -22; -5; -6; -8 digest mismatch (out16 zeroed).
int GetEncChipKey(int index, const char* w, std::uint8_t* out16);
// The status; -1; kNoChipFirmware; -21; -22 chip id not read; -5; -6.
int UpgradeEncChip();
// 0 with the 32-byte value, the SAM's base-message answer frame (data holds
// kMaxChipBaseMsgData bytes) with its length, and the 16-byte value; -2 a null argument; -1;
// -5 no valid answer, also one stating more than kMaxChipBaseMsgData bytes (nothing is then
// copied); -6; -8 the data is not a SAM answer frame.
int EncChipReadBaseMsg(std::uint8_t* out32, std::uint8_t* data, int* dataLen, std::uint8_t* out16);

}  // namespace vantel
