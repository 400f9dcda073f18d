#pragma once
// The library's debug log: while the log switch gLogOn is on, one time-stamped line per
// call is appended to "debugTarn.log" in the folder "DOVR_SDK" of the all-users profile
// folder. The file is opened and closed for each line, so it can be read or deleted while
// the library runs.

namespace vantel {

// printf-style; the message is cut to 1023 characters. Nothing is formatted while the
// switch is off.
void DebugLogf(const char* format, ...);

void WriteDebugLog(const char* message);

}  // namespace vantel
