#pragma once
// Report lengths from a HID report descriptor (HID 1.11, section 6.2.2), for systems whose
// HID layer hands out the raw descriptor instead of the capabilities.
#include <cstddef>
#include <cstdint>

#include "platform/hid.h"

namespace platform {

struct ReportDescriptorSummary {
  // The longest input and output report, the report id byte included (0 when none).
  HidCapabilities capabilities;
  // Whether the reports carry a report id byte on the wire.
  bool numberedReports = false;
};

ReportDescriptorSummary SummarizeReportDescriptor(const std::uint8_t* descriptor,
                                                  std::size_t length);

}  // namespace platform
