#include "service/api/api_handlers.h"

#include <string>

#include "service/net/service_text.h"

namespace lumarin {
namespace {

// The parameter's text as given, or the empty text when the request has none.
std::string Param(const ParamMap& params, const char* name) {
  const auto found = params.find(name);
  return found == params.end() ? std::string() : found->second;
}

// 1 only for "true" or "TRUE" once the blanks around it are gone.
int OnOffFlag(const ParamMap& params, const char* name) {
  std::string value = Param(params, name);
  TrimSpaces(value);
  return value == "true" || value == "TRUE" ? 1 : 0;
}

}  // namespace

void ApiReadCert(ParamMap&, char* result) { LockedReadCert(result); }
void ApiReadCard(ParamMap&, char* result) { LockedReadCard(result); }
void ApiConnect(ParamMap&, char* result) { LockedConnect(result); }
void ApiDisconnect(ParamMap&, char* result) { LockedDisconnect(result); }
void ApiGetVersion(ParamMap&, char* result) { LockedGetVersion(result); }
void ApiGetStatus(ParamMap&, char* result) { LockedGetStatus(result); }
void ApiReadIDCardSN(ParamMap&, char* result) { LockedReadIDCardSN(result); }
void ApiReadICCardSN(ParamMap&, char* result) { LockedReadICCardSN(result); }
void ApiGetSAMID(ParamMap&, char* result) { LockedGetSAMID(result); }
void ApiGetSAMIDStr(ParamMap&, char* result) { LockedGetSAMIDStr(result); }

void ApiReadM1Card(ParamMap& params, char* result) {
  const std::string sid = Param(params, "SID");
  const std::string bid = Param(params, "BID");
  const std::string keyType = Param(params, "KEYTYPE");
  const std::string key = Param(params, "KEY");
  LockedReadM1Card(sid.c_str(), bid.c_str(), keyType.c_str(), key.c_str(), result);
}

void ApiWriteM1Card(ParamMap& params, char* result) {
  const std::string sid = Param(params, "SID");
  const std::string bid = Param(params, "BID");
  const std::string keyType = Param(params, "KEYTYPE");
  const std::string key = Param(params, "KEY");
  const std::string data = Param(params, "DATA");
  LockedWriteM1Card(sid.c_str(), bid.c_str(), keyType.c_str(), key.c_str(), data.c_str(), result);
}

void ApiHandleAPDUCMD(ParamMap& params, char* result) {
  LockedHandleAPDUCMD(Param(params, "APDUCMD").c_str(), result);
}

void ApiMute(ParamMap& params, char* result) { LockedMute(OnOffFlag(params, "ISMUTE"), result); }

void ApiRepeatRead(ParamMap& params, char* result) {
  LockedRepeatRead(OnOffFlag(params, "ISREPEAT"), result);
}

RouteHandlers ServiceRouteHandlers() {
  return RouteHandlers{ApiReadCert,     ApiReadCard,     ApiConnect,       ApiDisconnect,
                       ApiGetVersion,   ApiGetStatus,    ApiReadIDCardSN,  ApiReadICCardSN,
                       ApiGetSAMID,     ApiReadM1Card,   ApiWriteM1Card,   ApiHandleAPDUCMD,
                       ApiMute,         ApiGetSAMIDStr,  ApiRepeatRead};
}

}  // namespace lumarin
