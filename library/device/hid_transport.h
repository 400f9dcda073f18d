#pragma once
// The HID reader (vendor 0x0425, product 0x8159): commands go out as OutputReport (report
// id 0, then the frame) and answers come back in InputReport (report id, then the frame).
// Failures are silent: they clear gHidOpen and leave InputReport as the caller cleared it.
#include <cstddef>
#include <cstdint>

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
// Frame bytes one input report of the selected reader carries after its report id, from the
// input report length it declares (0 while none is selected).
std::size_t HIDInputPayload();

// Fills InputReport with the next answer; all-zero reports are passed over.
void HIDGetReport();
// Fills InputReport with one report of a long answer; only the first report of the answer
// passes over all-zero reports. A read that brings nothing leaves InputReport cleared, never
// holding the report before.
void HIDGetLongReport(bool first);
// Reads the next report of a long answer into InputReport: false when the read failed. A
// report that came is taken whatever its bytes: an all-zero one can be the answer's own.
bool HIDGetContinuationReport();
// Reads the reports after a long answer's first one until its `frameLength` bytes have come,
// each placed behind the one before in `frame` (whose first report is there already) as far
// as its `room` bytes reach. Every report of the answer is read, kept or not, so that none is
// left for a later command. Returns the frame bytes that came: fewer when a read failed.
std::size_t HIDGatherLongAnswer(std::uint8_t* frame, std::size_t frameLength, std::size_t room);
// One exchange: enumerates when no reader is open, then writes and reads.
void HIDTransact();

}  // namespace vantel
