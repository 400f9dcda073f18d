#include "library/device/enc_chip/enc_chip_exchange.h"

#include <algorithm>
#include <cstring>

#include "library/device/device_state.h"
#include "library/device/hid_transport.h"
#include "platform/clock.h"

namespace vantel {
namespace {

constexpr std::size_t kReportLength = kEncChipReportData + 1;
constexpr std::uint32_t kPauseAfterLongRequestMs = 50;

bool WrittenAloneAndReadLong(std::uint8_t command) { return command == 0x07 || command == 0x09; }

// One report's worth of the frame after the report id; the rest of the report zero.
void PutReport(const std::uint8_t* bytes, std::size_t length) {
  DeviceState& device = Device();
  std::memset(device.OutputReport, 0, sizeof device.OutputReport);
  std::memcpy(device.OutputReport + 1, bytes, length);
}

void ClearInputReport() { std::memset(Device().InputReport, 0, kReportLength); }

// The next report of a long answer, as long as the reader's reports are.
bool NextReport(std::uint8_t* report) {
  if (!HIDGetContinuationReport()) return false;
  std::memcpy(report, Device().InputReport, std::min(HIDInputPayload() + 1, kEncChipReportRoom));
  return true;
}

}  // namespace

EncChipCheck ExchangeWithEncChip(std::uint8_t command, const std::uint8_t* args, std::size_t argsLength,
                                 EncChipAnswer* answer) {
  std::uint8_t frame[kMaxEncChipRequest];
  const std::size_t length = BuildEncChipFrame(kEncChipMarker, command, args, argsLength, frame);
  ClearInputReport();
  if (WrittenAloneAndReadLong(command)) {
    PutReport(frame, length);
    HIDWriteReport();
    HIDGetLongReport(true);
  } else if (length <= kEncChipReportData) {
    PutReport(frame, length);
    HIDTransact();
  } else {
    for (std::size_t at = 0; at < length; at += kEncChipReportData) {
      PutReport(frame + at, std::min(kEncChipReportData, length - at));
      HIDWriteReport();
    }
    platform::SleepMs(kPauseAfterLongRequestMs);
    HIDGetReport();
  }
  return AssembleEncChipAnswer(Device().InputReport, NextReport, command, answer, HIDInputPayload());
}

}  // namespace vantel
