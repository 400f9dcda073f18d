#pragma once
// A WebSocket command message as the dispatcher reads it: the command's name and the
// parameters its handler takes. Bytes in, texts out: no sockets, so it is fuzzed directly.
#include <string>

#include "service/api/api_handler.h"

namespace lumarin {

struct WsRequest {
  std::string name;
  ParamMap params;
};

// Reads a JSON object text. A text that is not a JSON object gives the empty name and no
// parameters. Member values read as text: strings as they are, booleans as "true" or
// "false", numbers as their decimal text, null, arrays and objects as the empty text.
// "openPush" takes "withImg" and "interval", "mute" "isMute" as ISMUTE and "repeatRead"
// "isRepeatRead" as ISREPEAT from the top level, before (and so in place of) the members of
// "params" of the same name; every command takes the members of a "params" object.
WsRequest ReadWsRequest(const char* text);

// The integer "resultFlag" of an answer text; -1 when it has none.
int ReadResultFlag(const char* answer);

}  // namespace lumarin
