#pragma once
// Which WebSocket connection gives way to a new one when the listener is full. A page upgrades
// at once, so a connection still without a whole upgrade request is the first to go, the one
// held longest first; then the upgraded one idle longest (a page that takes broadcasts is not
// idle). A connection being answered never gives way.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace lumarin {

struct WsPlace {
  bool upgraded;
  // A whole message of it waits or is being handled, or an answer is still being written to it.
  bool answering;
  // Since its accept (not upgraded), or since it last sent a whole message or took a whole
  // frame (upgraded).
  std::uint32_t quiet_ms;
};

// The index of the connection to close; places.size() when every one is being answered.
std::size_t ChooseConnectionToGiveWay(const std::vector<WsPlace>& places);

}  // namespace lumarin
