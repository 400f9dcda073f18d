#pragma once
// The service's API operations, one ApiHandler each: the HTTP and HTTPS routes and the
// WebSocket commands call them. A handler picks its parameters out of the request and runs
// its card operation under the ReaderMutex; the answer is UTF-8 JSON in `result`.
#include "service/api/api_handler.h"
#include "service/net/route_table.h"

namespace lumarin {

void ApiReadCert(ParamMap& params, char* result);
void ApiReadCard(ParamMap& params, char* result);
void ApiConnect(ParamMap& params, char* result);
void ApiDisconnect(ParamMap& params, char* result);
void ApiGetVersion(ParamMap& params, char* result);
void ApiGetStatus(ParamMap& params, char* result);
void ApiReadIDCardSN(ParamMap& params, char* result);
void ApiReadICCardSN(ParamMap& params, char* result);
void ApiGetSAMID(ParamMap& params, char* result);
void ApiGetSAMIDStr(ParamMap& params, char* result);
// SID, BID, KEYTYPE, KEY (and DATA) as they stand in the query.
void ApiReadM1Card(ParamMap& params, char* result);
void ApiWriteM1Card(ParamMap& params, char* result);
// APDUCMD as it stands in the query.
void ApiHandleAPDUCMD(ParamMap& params, char* result);
// ISMUTE and ISREPEAT: on for "true" or "TRUE" between blanks, otherwise off.
void ApiMute(ParamMap& params, char* result);
void ApiRepeatRead(ParamMap& params, char* result);

// The handlers of the HTTP paths.
RouteHandlers ServiceRouteHandlers();

// The locked wrappers: each runs its card operation under the ReaderMutex and leaves the
// answer, converted to UTF-8, in `result` (kAnswerBufferSize bytes).
void LockedReadCert(char* result);
void LockedReadCard(char* result);
void LockedConnect(char* result);
void LockedDisconnect(char* result);
void LockedGetVersion(char* result);
void LockedGetStatus(char* result);
void LockedReadIDCardSN(char* result);
void LockedReadICCardSN(char* result);
void LockedGetSAMID(char* result);
void LockedGetSAMIDStr(char* result);
void LockedReadM1Card(const char* sid, const char* bid, const char* keyType, const char* key,
                      char* result);
void LockedWriteM1Card(const char* sid, const char* bid, const char* keyType, const char* key,
                       const char* data, char* result);
void LockedHandleAPDUCMD(const char* apdu, char* result);
void LockedMute(int flag, char* result);
void LockedRepeatRead(int flag, char* result);

}  // namespace lumarin
