#pragma once
// The library's worker thread: a subclass's Run polls IsStopped and returns once it is set.
#include <atomic>

#include "platform/thread.h"

namespace vantel {

class CustomThread {
 public:
  CustomThread() = default;
  // Stops the thread (a subclass whose Run uses its own members stops it in its own
  // destructor, before they go).
  virtual ~CustomThread() { Stop(); }
  CustomThread(const CustomThread&) = delete;
  CustomThread& operator=(const CustomThread&) = delete;

  // False when no thread could be made.
  bool Start();
  // Sets the stop flag and waits until Run has returned (from the thread itself: only sets
  // it). The handle is closed exactly once, here or by the thread when Run returned first.
  void Stop();
  bool IsStopped() const { return stop_.load(); }
  // True on the thread that runs this object's Run.
  bool IsOwnThread() const;
  // From the thread itself (it cannot wait for itself): sets the stop flag; the thread
  // deletes the object once Run has returned.
  void DeleteWhenStopped();

 protected:
  virtual void Run() = 0;

 private:
  static void ThreadProc(void* object);

  std::atomic<bool> stop_{false};
  std::atomic<platform::ThreadHandle> handle_{nullptr};
  bool deleteWhenStopped_ = false;  // written and read by the thread itself only
};

}  // namespace vantel
