#pragma once
// Reading answer frames from a COM port: polling the driver's receive queue in 100 ms
// steps until the answer is there or the answer wait has run out.
#include <cstdint>

#include "platform/serial_port.h"

namespace vantel {

// ReadSamFrame on the serial port, plain or base64-wrapped; *outLength is the capacity of
// `out` on entry.
int ReadSerialSamFrame(platform::SerialPort& port, std::uint8_t* out, unsigned* outLength);

// ReadVendorFrame on the serial port, waiting gAnswerWait; `header` receives 55 AA LEN.
// The XOR check is the caller's.
int ReadSerialVendorFrame(platform::SerialPort& port, std::uint8_t* header, std::uint8_t* out,
                          unsigned* outLength);

}  // namespace vantel
