#pragma once
// The one way the service starts a thread of its own: a subclass overrides Run. The object
// either lives on and is waited for by its owner, or deletes itself when Run returns.
#include <atomic>

#include "platform/thread.h"

namespace lumarin {

class CTaskThread {
 public:
  CTaskThread() = default;
  // A self-deleting object only closes its handle (its own thread is deleting it). Any other
  // asks Run to stop and waits for the thread without limit: a subclass whose Run uses its
  // own members must end that thread in its own destructor, before those members go.
  virtual ~CTaskThread();
  CTaskThread(const CTaskThread&) = delete;
  CTaskThread& operator=(const CTaskThread&) = delete;

  // Waits (dispatching the caller's window messages) for a thread of an earlier start, then
  // starts a new one. Null when no thread could be made: the object is still the caller's.
  // Otherwise a self-deleting object may be gone by the time this returns: its creator must
  // not touch it again.
  platform::ThreadHandle Start();
  // 1: the object deletes itself when Run returns. Set before Start.
  void SetAutoDelete(int flag) { autoDelete_ = flag; }
  // A thread was started and has not ended.
  bool IsRunning() const;
  // Waits for the thread to end while the calling thread's window messages are dispatched.
  void WaitWithMessagePump();

 protected:
  virtual void Run() {}
  // Set by the destructor before it waits; cleared by Start.
  bool StopRequested() const { return stopRequested_.load() != 0; }

 private:
  static void ThreadProc(void* object);

  int autoDelete_ = 0;
  std::atomic<int> stopRequested_{0};
  platform::ThreadHandle handle_ = nullptr;
};

}  // namespace lumarin
