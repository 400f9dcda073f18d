#pragma once
// Serial COM ports. On Windows port n is "\\.\COMn"; on Linux it is the device that the
// link "comn" in the serial folder points at (see SerialDevicePath), so that a test can
// point it at a pseudo-terminal and a user at /dev/ttyUSB0.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/device_handle.h"

namespace platform {

// The Windows COMMTIMEOUTS fields that the transports set, in milliseconds.
struct SerialTimeouts {
  std::uint32_t readInterval = 0;
  std::uint32_t readTotalMultiplier = 0;
  std::uint32_t readTotalConstant = 0;
  std::uint32_t writeTotalMultiplier = 0;
  std::uint32_t writeTotalConstant = 0;
};

class SerialPort : public DeviceHandle {
 public:
  // Null when the port does not exist or is in use (opened exclusively).
  static std::unique_ptr<SerialPort> Open(int portNumber);

  virtual bool SetTimeouts(const SerialTimeouts& timeouts) = 0;
  // Rate `baud`, 8 data bits, no parity, one stop bit, binary, no flow control of any kind,
  // DTR and RTS on; false when the driver refuses.
  virtual bool Configure(int baud) = 0;
  // The rate the port is set to (GetCommState), 0 for a rate the system has no number for;
  // false when the driver cannot tell.
  virtual bool CurrentBaud(int* baud) = 0;
  virtual bool SetupQueues(std::uint32_t inSize, std::uint32_t outSize) = 0;
  // Drops what has arrived and not been read.
  virtual bool PurgeReceive() = 0;
  // Tells how many received bytes wait to be read, and clears a communication error:
  // false when there was one (the count is set all the same) or the driver cannot tell.
  virtual bool QueuedCount(std::uint32_t* count) = 0;
};

// The device a port number opens: "\\.\COMn" on Windows. On Linux "comn" in the folder
// named by VANTEL_SERIAL_DIR when that is set; otherwise "comn" in ~/.vantel/serial when it
// exists, else /dev/ttyS(n-1).
std::string SerialDevicePath(int portNumber);

}  // namespace platform
