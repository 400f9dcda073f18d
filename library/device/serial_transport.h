#pragma once
// Readers on a serial COM port (port numbers 1..256).
#include <cstdint>
#include <memory>

#include "platform/serial_port.h"

namespace vantel {

// Driver queue sizes set before each SAM answer wait.
constexpr std::uint32_t kSerialQueueSize = 2048;
// Step of the answer polling.
constexpr std::uint32_t kSerialPollMs = 100;
// Pauses after opening before the first command.
constexpr std::uint32_t kPauseAfterOpenMs = 200;
constexpr std::uint32_t kPauseAfterProbeOpenMs = 100;

// Timeouts of an opened port, and the shorter ones of the rate probe.
constexpr platform::SerialTimeouts kOpenTimeouts{1000, 2, 1000, 2, 1000};
constexpr platform::SerialTimeouts kProbeTimeouts{50, 2, 50, 2, 1000};

// Opens COM `port` at `baud`, 8 data bits, no parity, one stop bit; null on any failure
// (a port that refuses the settings is closed again first).
std::unique_ptr<platform::SerialPort> OpenComPort(int port, int baud);

}  // namespace vantel
