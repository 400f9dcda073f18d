#pragma once
// The periodic timer: its stdcall exports.

#include "library/exports/stdcall.h"

extern "C" {

// Calls `callback` on a thread of its own every time more than periodMs milliseconds have
// passed since its last call ended. 1 when a timer runs already (it keeps its callback and
// period); 0 when one was started; -1 when no thread could be started.
int VANTEL_STDCALL Kestor_StartTimerOut(void (*callback)(), int periodMs);
// Stops the timer; once it returns the callback is not called again. Called from the
// callback, it stops the timer, which ends when the callback returns.
void VANTEL_STDCALL Kestor_StopTimerOut();

}  // extern "C"
