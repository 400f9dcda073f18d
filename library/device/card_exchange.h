#pragma once
// What the M1, CPU card and PSAM commands add to the vendor exchange of the device commands:
// HID request chunks, bounded answer counts and write counts as results.
#include <cstdint>

#include "library/device/commands/vendor_exchange.h"

namespace vantel {

// Answer bytes a single HID report carries after 55 AA LEN status FF, at most.
constexpr int kHidReportDataSize = 59;
// ... and as many as the selected reader's input reports hold.
int HidReportDataRoom();

// The HID reader is the current port.
bool UsesHidReader();

// Puts the vendor frame of `payload` into a cleared OutputReport after report id 0 and clears
// InputReport, for a request sent with HIDWriteReport alone.
void PrepareHidVendorReport(const std::uint8_t* payload, int length);
// LEN - 3 of the HID answer (the data bytes after status and FF) when that many lie inside
// the first report, else -1.
int HidAnswerDataLength();

// Sends the payload as a vendor frame on the current byte stream; the bytes sent.
int StreamVendorWriteCount(const std::uint8_t* payload, int length);
// A write count reported as a command's result: 1 would read as success, so it becomes 0.
int WriteCountResult(int count);

}  // namespace vantel
