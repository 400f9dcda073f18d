#include "service/net/ws_giving_way.h"

namespace lumarin {

std::size_t ChooseConnectionToGiveWay(const std::vector<WsPlace>& places) {
  std::size_t chosen = places.size();
  for (std::size_t i = 0; i < places.size(); ++i) {
    const WsPlace& place = places[i];
    if (place.answering) continue;
    if (chosen == places.size()) {
      chosen = i;
      continue;
    }
    const WsPlace& best = places[chosen];
    const bool before = place.upgraded != best.upgraded ? !place.upgraded
                                                        : place.quiet_ms > best.quiet_ms;
    if (before) chosen = i;
  }
  return chosen;
}

}  // namespace lumarin
