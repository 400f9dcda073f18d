#pragma once
// The PC/SC reader's part of the device state.
#include <cstdint>

namespace vantel {

struct PcscState {
  // 0 at load, the card handle while a reader is connected, -1 after an open that found
  // no reader or after the port is closed.
  std::intptr_t gPcscCard = 0;
};

}  // namespace vantel
