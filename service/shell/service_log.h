#pragma once
// The service's own debug log, off unless [Set] Log is "1" in "kestor.ini" beside the
// program: one time-stamped line per call appended to "server_debug.log" in the temporary
// folder. The file is opened and closed for each line, so it may be moved or deleted while
// the service runs. Any thread may log; lines of different threads may interleave.

namespace lumarin {

// 1 once InitServiceLog has found the switch on; never cleared.
extern int gServiceLogOn;

// Reads the switch. Called once, first thing at start-up, before other threads exist.
void InitServiceLog();
// The message bytes are written unchanged (ANSI code page).
void WriteServiceLog(const char* message);
// printf-style; the message is cut to 255 characters. Nothing is formatted while the log is off.
void ServiceLogf(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

}  // namespace lumarin
