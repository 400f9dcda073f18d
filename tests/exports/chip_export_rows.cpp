// The rows of the timer, the e-passport, SM3 and SM4, and the encryption chip. On the serial
// line the passport and chip exports refuse at once (they need a PC/SC or HID reader); a
// refused argument shows where each argument arrives.
#include <atomic>

#include "export_rows.h"
#include "support/eventually.h"
#include "support/hex_bytes.h"

namespace vantel_test::export_rows {
namespace {

std::atomic<int> ticks{0};
void CountTick() { ++ticks; }

// The ICAO 9303 worked example's second MRZ line.
const char kMrz[] = "L898902C<3UTO6908061F9406236ZE184226B<<<<<14";
constexpr int kNoPassportApplication = -17;

// GB/T 32907's example: the key and the plain block are the same 16 bytes.
const Bytes kSm4Key = FromHex("0123456789ABCDEFFEDCBA9876543210");
const Bytes kSm4Cipher = FromHex("681EDF34D206965E86B3E94F536E4246");
constexpr int kNotHid = -1;

using ChipSm4 = int(unsigned, const unsigned char*, const unsigned char*, const unsigned char*, unsigned,
                    unsigned char*, int*);
using UpdateKey = int(int, const unsigned char*, const unsigned char*, const unsigned char*);
using ChipBaseMsg = int(unsigned char*, unsigned char*, int*, unsigned char*);

}  // namespace

RowTable TimerAndPassportRows() {
  return {
      {"Kestor_StartTimerOut", [](void* f, ReaderSim&, const std::string&) {
         auto start = As<int(void (*)(), int)>(f);
         EXPECT_EQ(start(CountTick, 1), 0);
         EXPECT_EQ(start(CountTick, 1), 1);  // one runs already
         EXPECT_TRUE(Eventually([] { return ticks > 0; }));
       }},
      {"Kestor_StopTimerOut", [](void* f, ReaderSim&, const std::string&) {
         As<void()>(f)();
         EXPECT_EQ(CallExport("Kestor_StartTimerOut", &CountTick, 1), 0);  // a stopped timer starts anew
         As<void()>(f)();
       }},
      {"Kestor_FindPassport", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), 0); }},
      {"Kestor_ReadPassport", [](void* f, ReaderSim&, const std::string&) {
         EXPECT_EQ(As<int(int, const char*, int)>(f)(0, kMrz, 0), kNoPassportApplication);
       }},
  };
}

RowTable CipherRows() {
  static const unsigned char w8[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  static const unsigned char block[80] = {};
  return {
      {"Kestor_SM3", [](void* f, ReaderSim&, const std::string&) {
         unsigned char digest[32] = {};
         EXPECT_EQ(As<int(const void*, int, unsigned char*)>(f)("abc", 3, digest), 1);
         EXPECT_EQ(ToHex(digest, 32), "66C7F0F462EEEDD9D1F2D46BDC10E4E24167C4875CF2F7A2297DA02B8F4BA8E0");
         EXPECT_EQ(As<int(const void*, int, unsigned char*)>(f)("abc", -1, digest), 0);
       }},
      {"Kestor_SM4_ECB", [](void* f, ReaderSim&, const std::string&) {
         auto ecb = As<void(int, const unsigned char*, const unsigned char*, int, unsigned char*)>(f);
         unsigned char out[16] = {};
         ecb(1, kSm4Key.data(), kSm4Key.data(), 16, out);
         EXPECT_EQ(Bytes(out, out + 16), kSm4Cipher);
         ecb(0, kSm4Key.data(), kSm4Cipher.data(), 16, out);
         EXPECT_EQ(Bytes(out, out + 16), kSm4Key);
       }},
      {"Kestor_SM4_CBC", [](void* f, ReaderSim&, const std::string&) {
         auto cbc = As<int(int, const unsigned char*, unsigned char*, const unsigned char*, int, unsigned char*)>(f);
         unsigned char iv[16] = {};
         unsigned char out[16] = {};
         EXPECT_EQ(cbc(1, kSm4Key.data(), iv, kSm4Key.data(), 16, out), 0);
         EXPECT_EQ(Bytes(out, out + 16), kSm4Cipher);  // a zero IV: one block as in ECB
         EXPECT_EQ(Bytes(iv, iv + 16), kSm4Cipher);    // the IV moves on to the last block
         EXPECT_EQ(cbc(1, kSm4Key.data(), nullptr, kSm4Key.data(), 16, out), -2);
       }},
      {"Kestor_GetEncChipID", [](void* f, ReaderSim&, const std::string&) {
         unsigned char id[19];
         EXPECT_EQ(As<int(unsigned char*)>(f)(id), kNotHid);
       }},
      {"Kestor_GetChipRandom", [](void* f, ReaderSim&, const std::string&) {
         unsigned char random[8];
         EXPECT_EQ(As<int(unsigned char*, int)>(f)(random, 8), kNotHid);
       }},
      {"Kestor_GetChipSM4", [](void* f, ReaderSim&, const std::string&) {
         unsigned char out[32];
         int length = 0;
         const unsigned char* key = kSm4Key.data();
         EXPECT_EQ(As<ChipSm4>(f)(2, key, nullptr, block, 16, out, &length), -4);  // CBC without an IV
         EXPECT_EQ(As<ChipSm4>(f)(1, key, key, block, 15, out, &length), -3);
         EXPECT_EQ(As<ChipSm4>(f)(1, key, key, block, 16, out, &length), kNotHid);
       }},
      {"Kestor_GetChipSM3", [](void* f, ReaderSim&, const std::string&) {
         unsigned char digest[32];
         auto sm3 = As<int(unsigned, const unsigned char*, unsigned, unsigned char*)>(f);
         EXPECT_EQ(sm3(2, block, 16, nullptr), -8);
         EXPECT_EQ(sm3(1, block, 65, digest), -2);
         EXPECT_EQ(sm3(2, block, 16, digest), kNotHid);
       }},
      {"Kestor_EncChipInit", [](void* f, ReaderSim&, const std::string&) {
         EXPECT_EQ(As<int(const unsigned char*)>(f)(nullptr), -2);
         EXPECT_EQ(As<int(const unsigned char*)>(f)(w8), kNotHid);
       }},
      {"Kestor_UpateEncChipKey", [](void* f, ReaderSim&, const std::string&) {
         EXPECT_EQ(As<UpdateKey>(f)(1, w8, block, nullptr), -2);
         EXPECT_EQ(As<UpdateKey>(f)(1, w8, block, block), kNotHid);
       }},
      {"Kestor_UpateNewChipKey", [](void* f, ReaderSim&, const std::string&) {
         auto update = As<int(const unsigned char*, const unsigned char*, const unsigned char*)>(f);
         EXPECT_EQ(update(w8, block, nullptr), -2);
         EXPECT_EQ(update(w8, block, block), kNotHid);
       }},
      {"Kestor_GetEncChipKey", [](void* f, ReaderSim&, const std::string&) {
         unsigned char key[16];
         EXPECT_EQ(As<int(int, const char*, unsigned char*)>(f)(1, "", key), -2);
         EXPECT_EQ(As<int(int, const char*, unsigned char*)>(f)(1, "12345678", key), kNotHid);
       }},
      {"Kestor_UpgradeEncChip", [](void* f, ReaderSim&, const std::string&) { EXPECT_EQ(As<int()>(f)(), kNotHid); }},
      {"Kestor_EncChipReadBaseMsg", [](void* f, ReaderSim&, const std::string&) {
         unsigned char value32[32];
         unsigned char data[16];
         unsigned char value16[16];
         int length = 0;
         EXPECT_EQ(As<ChipBaseMsg>(f)(value32, data, &length, nullptr), -2);
         EXPECT_EQ(As<ChipBaseMsg>(f)(value32, data, &length, value16), kNotHid);
       }},
  };
}

}  // namespace vantel_test::export_rows
