#pragma once
// The command side of the WebSocket server: the push state, the push commands and the name
// that every answer carries first.
#include <atomic>
#include <cstddef>
#include <string>

#include "service/api/api_handler.h"
#include "service/net/ws_message_reader.h"

namespace lumarin {

// Push mode: on; reads with card images; the wait after each read in ms. Written by the
// completion thread and the thread that stops the server, read by the push thread.
extern std::atomic<bool> gPushOn;
extern std::atomic<bool> gPushWithImg;
extern std::atomic<int> gPushInterval;

// The longest name prefix: a name out of the largest frame a client may send, every byte of
// it escaped as \u00XX.
constexpr std::size_t kLongestNamePrefix =
    sizeof "{\"name\":\"\"," - 1 + 6 * WsMessageReader::kLargestFrame;
// A whole result buffer with the longest name prefix and the NUL.
constexpr std::size_t kNamedAnswerSize = kAnswerBufferSize + kLongestNamePrefix + 1;

// Writes `answer` into `out` (`out_size` bytes) with {"name":"<name>", in place of its first
// "{", the name JSON-escaped; an answer without "{" is copied as it is. What does not fit is
// cut at out_size - 1 bytes (the dispatcher's sizes leave no such case).
void AddNameToAnswer(const char* name, char* out, const char* answer, std::size_t out_size);

// "interval" as C's atoi reads it (blanks, one sign, the digits up to the first other
// character; 0 without digits), saturated at the ends of int.
int ReadInterval(const std::string& text);

// openPush: "withImg" "true" or "TRUE" pushes reads with card images, anything else without;
// an "interval" of 100 or more becomes the wait; push mode on (a running push thread takes
// the settings at its next cycle). closePush: push mode off, answered once the push thread
// has ended. Both reach the server that dispatches them.
void ApiOpenPush(ParamMap& params, char* result);
void ApiClosePush(ParamMap& params, char* result);

}  // namespace lumarin
