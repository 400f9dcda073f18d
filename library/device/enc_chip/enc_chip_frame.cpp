#include "library/device/enc_chip/enc_chip_frame.h"

#include <algorithm>
#include <cstring>

#include "library/device/crypto/chip_crc16.h"

namespace vantel {
namespace {

constexpr std::size_t kPreambleLength = 8;
constexpr std::size_t kBodyAt = kPreambleLength + 1;
constexpr std::size_t kStatusOnlyLength = 6;
}  // namespace

std::size_t BuildEncChipFrame(std::uint8_t marker, std::uint8_t command, const std::uint8_t* args,
                              std::size_t argsLength, std::uint8_t* out) {
  const std::size_t bodyLength = kEncChipBodyHeader + argsLength;
  std::memset(out, 0x55, kPreambleLength);
  out[kPreambleLength] = marker;
  std::uint8_t* body = out + kBodyAt;
  body[0] = static_cast<std::uint8_t>(bodyLength);
  body[1] = static_cast<std::uint8_t>(bodyLength >> 8);
  body[2] = 0;
  body[3] = 0;
  body[4] = command;
  if (argsLength > 0) std::memcpy(body + kEncChipBodyHeader, args, argsLength);
  const std::uint16_t crc = ChipCrc16(body, bodyLength);
  body[bodyLength] = static_cast<std::uint8_t>(crc);
  body[bodyLength + 1] = static_cast<std::uint8_t>(crc >> 8);
  body[bodyLength + 2] = 0x06;
  return bodyLength + kEncChipFrameOverhead;
}

EncChipCheck AssembleEncChipAnswer(const std::uint8_t* firstReport, const EncChipReportSource& next,
                                   std::uint8_t command, EncChipAnswer* answer, std::size_t payload) {
  // The report id, then the frame: marker at report byte 9, LEN at 10 and 11, CMD at 14.
  if (payload < kEncChipStatusAt || payload >= kEncChipReportRoom || firstReport[0] != 0 ||
      firstReport[1 + kPreambleLength] != kEncChipMarker ||
      firstReport[1 + kEncChipStatusAt - 1] != command) {
    return EncChipCheck::kNoValidAnswer;
  }
  const std::size_t bodyLength = firstReport[1 + kBodyAt] | std::size_t{firstReport[2 + kBodyAt]} << 8;
  const std::size_t frameLength = bodyLength + kEncChipFrameOverhead;
  if (bodyLength < kStatusOnlyLength || frameLength > kMaxEncChipAnswer) return EncChipCheck::kNoValidAnswer;
  std::size_t have = std::min(payload, frameLength);
  std::memcpy(answer->frame, firstReport + 1, have);
  std::uint8_t report[kEncChipReportRoom];
  while (have < frameLength) {
    std::memset(report, 0, payload + 1);
    if (!next(report)) return EncChipCheck::kNoValidAnswer;
    const std::size_t piece = std::min(payload, frameLength - have);
    std::memcpy(answer->frame + have, report + 1, piece);
    have += piece;
  }
  answer->bodyLength = bodyLength;
  const std::uint8_t* body = answer->frame + kBodyAt;
  const std::uint16_t stored = static_cast<std::uint16_t>(body[bodyLength] | body[bodyLength + 1] << 8);
  return ChipCrc16(body, bodyLength) == stored ? EncChipCheck::kGood : EncChipCheck::kCrcMismatch;
}

}  // namespace vantel
