#pragma once
// The HTTP API's paths and the handler behind each: exact, case-sensitive paths.
#include <map>
#include <mutex>
#include <string>

#include "service/api/api_handler.h"

namespace lumarin {

// The handler of each API path; the API layer gives them.
struct RouteHandlers {
  ApiHandler readCert;
  ApiHandler readCard;
  ApiHandler connect;
  ApiHandler disconnect;
  ApiHandler getVersion;
  ApiHandler getStatus;
  ApiHandler readIDCardSN;
  ApiHandler readICCardSN;
  ApiHandler getSAMID;
  ApiHandler readM1Card;
  ApiHandler writeM1Card;
  ApiHandler handleAPDUCMD;
  ApiHandler mute;
  ApiHandler getSAMIDStr;
  ApiHandler repeatRead;
};

class RouteTable {
 public:
  // The first call inserts the 15 routes; later calls change nothing. Lookups are safe on
  // every thread that has called Fill or started after it returned.
  void Fill(const RouteHandlers& handlers);
  // The handler of exactly this path, or null.
  ApiHandler Find(const std::string& path) const;

 private:
  std::once_flag filled_;
  std::map<std::string, ApiHandler> routes_;
};

// The one table of the HTTP and HTTPS listeners.
RouteTable& ServiceRoutes();

}  // namespace lumarin
