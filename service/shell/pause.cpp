#include "service/shell/pause.h"

#include <chrono>

namespace lumarin {

void Pause::Wait(std::uint32_t milliseconds, const std::function<bool()>& over) {
  std::unique_lock<std::mutex> hold(lock_);
  woken_.wait_for(hold, std::chrono::milliseconds(milliseconds), over);
}

void Pause::Wake() {
  // Taken, so that a waiter that has just found the condition false is already waiting.
  { std::lock_guard<std::mutex> hold(lock_); }
  woken_.notify_all();
}

}  // namespace lumarin
