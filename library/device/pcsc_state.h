#pragma once
// The PC/SC reader's part of the device state.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/pcsc.h"

namespace vantel {

// Longest reader name the table keeps.
constexpr std::size_t kPcscReaderNameLength = 100;

// What precedes every transmitted command: the protocol and the header's length.
struct PcscSendHeader {
  std::uint32_t protocol = 0;
  std::uint32_t length = 8;
};

struct PcscState {
  bool haveContext = false;
  // Established once; made anew only when the PC/SC service has gone away since.
  platform::PcscContext context = 0;
  // Filled once, from the first listing; it grows with the list, so it cannot overflow.
  std::vector<std::string> readerNames;
  int chosenReader = -1;
  // 0 at load, the card handle while a reader is connected, -1 after an open that found
  // no reader or after the port is closed.
  std::intptr_t gPcscCard = 0;
  std::uint32_t activeProtocol = 0;
  PcscSendHeader sendHeader;
};

}  // namespace vantel
