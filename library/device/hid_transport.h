#pragma once
// The HID reader (vendor 0x0425, product 0x8159): commands go out as OutputReport (report
// id 0, then the frame) and answers come back in InputReport (report id, then the frame).
// Failures are silent: they clear gHidOpen and leave InputReport as the caller cleared it.
#include <cstddef>

namespace vantel {

// Lists the matching readers into the table and selects the only one; true when any matched.
bool HIDEnumerate();
// Opens reader n (1-based) of the table; 1 when it opened, else 0.
int HIDSelect(int n);
int GetHIDCount();
// Closes the selected reader's handles; gHidOpen stays as it is.
void HIDCloseHandles();
// Sends OutputReport.
void HIDWriteReport();
// Frame bytes one report carries after its report id.
constexpr std::size_t kHidReportPayload = 64;

// Fills InputReport with the next answer; all-zero reports are passed over.
void HIDGetReport();
// Fills InputReport with one report of a long answer; only the first report of the answer
// passes over all-zero reports. A read that brings nothing leaves InputReport cleared, never
// holding the report before.
void HIDGetLongReport(bool first);
// Reads the next report of a long answer into InputReport: false when none came (the read
// failed or brought an all-zero report).
bool HIDGetContinuationReport();
// One exchange: enumerates when no reader is open, then writes and reads.
void HIDTransact();

}  // namespace vantel
