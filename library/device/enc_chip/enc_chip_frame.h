#pragma once
// The encryption chip's frame: eight 55 bytes, a marker (A6; the Bluetooth handshake uses
// 04), the body (LEN as 2 bytes little-endian counting the body, 00 00, CMD, then arguments
// or status and data), the CRC-16 of the body little-endian, the end byte 06. Over HID a
// frame starts at byte 1 of the report, after the report id.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace vantel {

constexpr std::uint8_t kEncChipMarker = 0xA6;
constexpr std::size_t kEncChipFrameOverhead = 12;  // a frame of n body bytes is n + 12 long
constexpr std::size_t kEncChipBodyHeader = 5;      // LEN, 00 00, CMD
// The largest request: SM4 over 2560 bytes with its mode, key and IV.
constexpr std::size_t kMaxEncChipRequest = 2613;
// The largest answer: SM4 over 2560 bytes with the status and the out length.
constexpr std::size_t kMaxEncChipAnswer = 2582;
constexpr std::size_t kEncChipReportData = 64;  // frame bytes per HID report
// Where an answer's status and data stand in the frame.
constexpr std::size_t kEncChipStatusAt = 14;
constexpr std::size_t kEncChipDataAt = 15;

// Writes the frame into `out` (argsLength + 17 bytes) and returns its length.
std::size_t BuildEncChipFrame(std::uint8_t marker, std::uint8_t command, const std::uint8_t* args,
                              std::size_t argsLength, std::uint8_t* out);

// An answer gathered from the chip's reports.
struct EncChipAnswer {
  // Whole reports' worth of frame bytes: the largest answer rounded up to reports.
  std::uint8_t frame[(kMaxEncChipAnswer + kEncChipReportData - 1) / kEncChipReportData * kEncChipReportData];
  std::size_t bodyLength = 0;  // LEN
  std::uint8_t Status() const { return frame[kEncChipStatusAt]; }
  const std::uint8_t* Data() const { return frame + kEncChipDataAt; }
  // Answer data bytes after the status.
  std::size_t DataLength() const { return bodyLength - 6; }
};

enum class EncChipCheck { kGood, kNoValidAnswer, kCrcMismatch };

// Fetches the next input report of a long answer (report id, then its frame bytes) into a
// buffer of kEncChipReportRoom bytes; false when none came.
using EncChipReportSource = std::function<bool(std::uint8_t* report)>;
constexpr std::size_t kEncChipReportRoom = 4096;

// Takes the answer to `command` that begins in `firstReport` (report id, then `payload` frame
// bytes, as many as each report carries): valid when the report id is 0, the marker A6 and the
// CMD echoed; LEN between the status-only 6 and the largest answer; further reports fetched
// until LEN + 12 bytes are in; then the CRC.
EncChipCheck AssembleEncChipAnswer(const std::uint8_t* firstReport, const EncChipReportSource& next,
                                   std::uint8_t command, EncChipAnswer* answer,
                                   std::size_t payload = kEncChipReportData);

}  // namespace vantel
