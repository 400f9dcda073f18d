#pragma once
// The answer layer inside the service: the library's exports by import, no beep, and log
// lines through a hook that the service sets.

namespace vantel {

// Receives each formatted log line; null (the start) drops them.
using AnswerLogHook = void (*)(const char* line);
void SetAnswerLogHook(AnswerLogHook hook);

}  // namespace vantel
