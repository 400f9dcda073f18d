#pragma once
// The library's table of reader settings and the numbers that name ports.
#include <cstdint>

namespace vantel {

constexpr int kMaxComPort = 256;
constexpr int kUsbPortFirst = 1001;
constexpr int kUsbPortCount = 16;
constexpr int kHidPort = 8159;
constexpr int kNetPort = 10000;
constexpr int kPcscPort = 416;

// The SAM's success status (SW3 0x90), which the standard functions return on success.
constexpr int kReaderSuccess = 144;

// Positions in ReaderSettings::table.
enum ReaderSetting : int {
  kBaudRateFirst = 0,  // [0]..[4]: serial rates in probe order
  kHidReportMode = 5,  // 1 = set/get report calls, 0 = overlapped write/read
  kHidInputBuffers = 6,
  kHidVendorId = 7,
  kHidProductId = 8,
  kHidPortNumber = 9,
  kNetPortNumber = 10,
  kMaxComPortNumber = 11,
  kReadBaseMsgRet = 12,    // g_readBaseMsgRet
  kReadBaseFPMsgRet = 13,  // g_readBaseFPMsgRet
  kReaderSettingCount = 14
};

struct ReaderSettings {
  // How many of the rates [0]..[4] the serial probe tries.
  std::int32_t gBaudProbeCount = 5;
  std::int32_t table[kReaderSettingCount] = {115200, 9600,  57600, 38400, 19200, 1,  64,
                                             0x0425, 0x8159, 8159, 10000, 256,   -1, -1};
  // Answer wait set by Kestor_SetComtimeout; used when greater than 0.
  std::int32_t gComTimeout = -1;
  // Answer wait in milliseconds.
  std::int32_t gAnswerWait = 5000;
};

ReaderSettings& Settings();
// The wait for a SAM answer: the caller's time-out where it set one, else gAnswerWait.
std::int32_t SamAnswerWait();

}  // namespace vantel
