#include "library/device/serial_transport.h"

namespace vantel {

std::unique_ptr<platform::SerialPort> OpenComPort(int port, int baud) {
  std::unique_ptr<platform::SerialPort> serial = platform::SerialPort::Open(port);
  if (!serial) return nullptr;
  if (!serial->SetTimeouts(kOpenTimeouts) || !serial->Configure(baud)) return nullptr;
  return serial;
}

}  // namespace vantel
