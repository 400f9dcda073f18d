#pragma once
// A pause that ends early: a thread waits up to a time for a condition, and whoever makes the
// condition true calls Wake, so that a stop never waits out a long pause.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace lumarin {

class Pause {
 public:
  // Waits up to `milliseconds`, or until `over` holds: looked at first and after each Wake.
  void Wait(std::uint32_t milliseconds, const std::function<bool()>& over);
  // Ends the waits whose condition now holds; call it after making the condition true.
  void Wake();

 private:
  std::mutex lock_;
  std::condition_variable woken_;
};

}  // namespace lumarin
