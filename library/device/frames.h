#pragma once
// The two frame formats of the byte-stream transports (COM port, the reader's USB driver,
// the USB bulk pipes): the SAM's SamFrame and the reader's own VendorFrame.
//
// SamFrame:    AA AA AA 96 69, LEN (2 bytes, big-endian), body of LEN bytes ending in CHK
//              (the XOR of LEN and every byte after it). A request body is CMD PARA data
//              CHK, an answer body SW1 SW2 SW3 data CHK.
// VendorFrame: 55 AA, LEN (payload length + 1), payload, XOR of all bytes before it. An
//              answer with LEN 0xFF is a long answer: its length is not in the header and
//              its XOR byte is not checked.
#include <cstdint>

namespace platform {
class DeviceHandle;
}

namespace vantel {

// Room for the longest answer body any command reads (the fingerprint base message).
constexpr unsigned kSamFrameBodyCapacity = 4096;

// Results of ReadSamFrame.
enum SamFrameResult : int {
  kSamFrameRead = 0,
  kSamFrameSerialError = -1,  // communication error, or fewer than 7 header bytes
  kSamFrameWrongPreamble = -3,
  kSamFrameShortBody = -4,    // short or failed body read; also an answer too long to hold
  kSamFrameNoHeader = -5,     // the wait ran out before a header arrived
  kSamFrameNoBody = -6,       // the wait ran out after the header, before the body
  kSamFrameWaitElapsed = -8,  // the wait ran out during a chunked or base64 read
  kSamFrameBadUsbAnswer = 3,  // USB driver or pipe answer missing, short or wrong
};

// Results of ReadVendorFrame.
enum VendorFrameResult : int {
  kVendorFrameRead = 0,
  kVendorFrameBadAnswer = 3,  // bad, short, failing or too long an answer, or XOR mismatch
  kVendorFrameWaitElapsed = -8,
};

// Sends preamble, LEN = bodyLength and `body` (CMD PARA data CHK, the caller's CHK).
// Returns the body bytes sent (serial and pipes: bytes written minus 7), 0 on failure or
// for a transport kind without frames.
int WriteSamFrame(platform::DeviceHandle* readHandle, platform::DeviceHandle* writeHandle, int kind,
                  const std::uint8_t* body, int bodyLength);

// Reads one SAM answer: 0 with the LEN bytes after LEN (SW1 SW2 SW3 data CHK) in `out` and
// LEN in *outLength, else a SamFrameResult. *outLength holds the capacity of `out` on
// entry. Clears gComBase64 first and sets it when the answer arrives base64-wrapped.
int ReadSamFrame(platform::DeviceHandle* readHandle, platform::DeviceHandle* writeHandle, int kind,
                 std::uint8_t* out, unsigned* outLength);

// Sends 55 AA, LEN = length + 1, `payload` and the XOR byte. Returns the bytes sent
// (length + 4 when whole), 0 on failure.
int WriteVendorFrame(platform::DeviceHandle* readHandle, platform::DeviceHandle* writeHandle,
                     int kind, const std::uint8_t* payload, int length);

// Reads one vendor answer: 0 with the LEN bytes after the header (payload and XOR byte)
// in `out` and LEN in *outLength, else a VendorFrameResult. *outLength holds the capacity
// of `out` on entry.
int ReadVendorFrame(platform::DeviceHandle* readHandle, platform::DeviceHandle* writeHandle,
                    int kind, std::uint8_t* out, unsigned* outLength);

}  // namespace vantel
