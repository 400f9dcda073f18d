#pragma once
// The three ways a reader command travels, shared by the M1, CPU card and PSAM commands:
// a PC/SC pseudo-APDU, a vendor frame in a HID report, or a vendor frame on the byte stream.
#include <cstddef>
#include <cstdint>

namespace vantel {

// Answer bytes a single HID report carries after 55 AA LEN status FF.
constexpr int kHidReportDataSize = 59;
// The vendor frame a HID output report can hold: 64 bytes after the report id.
constexpr int kHidFrameCapacity = 64;

// PC/SC applies: the PC/SC port is current and its card handle is not -1.
bool UsesPcscCard();
bool UsesHidReader();

// 55 AA LEN payload XOR into `frame`; returns its size (length + 4).
int BuildVendorFrame(const std::uint8_t* payload, int length, std::uint8_t* frame);

// Puts the vendor frame into a zeroed OutputReport after report id 0 and zeroes InputReport.
void PrepareHidVendorReport(const std::uint8_t* payload, int length);
// One HID exchange of a vendor frame; the answer frame starts at InputReport[1].
void HidVendorTransact(const std::uint8_t* payload, int length);
// LEN - 3 of the HID answer (the data bytes after status and FF) when that many lie inside
// the first report, else -1.
int HidAnswerDataLength();

// Sends the payload as a vendor frame on the current byte-stream transport; the bytes sent.
int StreamVendorWrite(const std::uint8_t* payload, int length);
// Reads the answer to a vendor frame: base64-wrapped SAM-frame reader while the reader
// answers in that form, else the vendor-frame reader. 0 with the payload and XOR byte in
// `out` and their count in *outLength (its capacity on entry), else the reader's code.
int StreamVendorRead(std::uint8_t* out, unsigned* outLength);

// The pseudo-APDU text sent to the PC/SC reader; the answer's length, at most `capacity`.
int PcscTextExchange(const char* text, std::uint8_t* answer, unsigned capacity);

// A write count reported as a command's result: 1 would read as success, so it becomes 0.
int WriteCountResult(int count);

}  // namespace vantel
