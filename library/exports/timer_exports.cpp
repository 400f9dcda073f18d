#include "library/exports/timer_exports.h"

#include "library/device/custom_timer.h"

extern "C" {

int VANTEL_STDCALL Kestor_StartTimerOut(void (*callback)(), int periodMs) {
  return vantel::StartTimerOut(callback, periodMs);
}
void VANTEL_STDCALL Kestor_StopTimerOut() { vantel::StopTimerOut(); }

}  // extern "C"
