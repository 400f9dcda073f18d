#pragma once
// The library's one periodic timer: a thread that calls the caller's function every so many
// milliseconds until it is stopped.
#include <cstdint>

#include "library/device/custom_thread.h"
#include "library/device/device_state.h"

namespace vantel {

class CustomTimer : public CustomThread {
 public:
  using Callback = void (*)(void* userData);

  CustomTimer(Callback callback, void* userData, int intervalMs)
      : callback_(callback), interval_(intervalMs), userData_(userData) {}
  ~CustomTimer() override { Stop(); }

  int IntervalMs() const { return interval_; }

 protected:
  // Calls the callback whenever more than the interval has passed since the last call
  // ended (a negative interval, taken unsigned, never comes), polling every millisecond.
  void Run() override;

 private:
  Callback callback_ = nullptr;
  int interval_ = -1;
  void* userData_ = nullptr;
};

// The timer's callback: calls gTimerCallback when it is set.
void TimerTrampoline(void* userData);

// 1 when a timer runs already (nothing changes); 0 after starting one; -1 when its thread
// cannot start (no timer then).
int StartTimerOut(TimerCallback callback, int periodMs);
// Once it returns the caller's function is not called again. From the callback itself it
// only stops the timer, which ends when the callback returns.
void StopTimerOut();

}  // namespace vantel
