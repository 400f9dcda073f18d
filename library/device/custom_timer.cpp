#include "library/device/custom_timer.h"

#include "platform/clock.h"

namespace vantel {

void CustomTimer::Run() {
  std::uint32_t start = platform::TickCountMs();
  while (!IsStopped()) {
    if (platform::TickCountMs() - start > static_cast<std::uint32_t>(interval_)) {
      if (callback_) callback_(userData_);
      start = platform::TickCountMs();
    }
    platform::SleepMs(1);
  }
}

void TimerTrampoline(void*) {
  if (TimerCallback callback = Device().gTimerCallback.load()) callback();
}

int StartTimerOut(TimerCallback callback, int periodMs) {
  DeviceState& device = Device();
  if (device.gTimer.load()) return 1;
  device.gTimerCallback = callback;
  auto* timer = new CustomTimer(&TimerTrampoline, nullptr, periodMs);
  // Set before the thread starts, so that a first tick may already stop it.
  device.gTimer = timer;
  if (timer->Start()) return 0;
  device.gTimer = nullptr;
  device.gTimerCallback = nullptr;
  delete timer;
  return -1;
}

void StopTimerOut() {
  DeviceState& device = Device();
  device.gTimerCallback = nullptr;  // a tick that comes now calls nothing
  CustomTimer* timer = device.gTimer.exchange(nullptr);
  if (!timer) return;
  if (timer->IsOwnThread())
    timer->DeleteWhenStopped();
  else
    delete timer;  // waits until the thread has left Run
}

}  // namespace vantel
