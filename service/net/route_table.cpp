#include "service/net/route_table.h"

namespace lumarin {

void RouteTable::Fill(const RouteHandlers& handlers) {
  std::call_once(filled_, [&] {
    const std::pair<const char*, ApiHandler> routes[] = {
        {"/api/readCert", handlers.readCert},
        {"/api/readCard", handlers.readCard},
        {"/api/connect", handlers.connect},
        {"/api/disconnect", handlers.disconnect},
        {"/api/getVersion", handlers.getVersion},
        {"/api/getStatus", handlers.getStatus},
        {"/api/readIDCardSN", handlers.readIDCardSN},
        {"/api/readICCardSN", handlers.readICCardSN},
        {"/api/getSAMID", handlers.getSAMID},
        {"/api/readM1Card", handlers.readM1Card},
        {"/api/writeM1Card", handlers.writeM1Card},
        {"/api/handleAPDUCMD", handlers.handleAPDUCMD},
        {"/api/Kestor_Mute", handlers.mute},
        {"/api/getSAMIDStr", handlers.getSAMIDStr},
        {"/api/setRepeatRead", handlers.repeatRead},
    };
    for (const auto& route : routes) routes_.emplace(route.first, route.second);
  });
}

ApiHandler RouteTable::Find(const std::string& path) const {
  const auto found = routes_.find(path);
  return found == routes_.end() ? nullptr : found->second;
}

RouteTable& ServiceRoutes() {
  // Never destroyed: connection threads still running as the process exits look routes up.
  static RouteTable* const table = new RouteTable;
  return *table;
}

}  // namespace lumarin
