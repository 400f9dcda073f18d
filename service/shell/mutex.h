#pragma once
// The service's locks: Mutex owns an unnamed mutex (which its owner may enter again);
// MutexLock holds one locked for a section and releases it on the way out of an exception.
#include "platform/thread.h"

namespace lumarin {

class Mutex {
 public:
  Mutex() = default;
  ~Mutex() { Close(); }
  Mutex(const Mutex&) = delete;
  Mutex& operator=(const Mutex&) = delete;

  // A new mutex, owned by no thread (one made before is closed).
  void Create();
  // Blocks until the calling thread owns it; false when there is no mutex.
  bool Lock() { return platform::LockMutex(handle_); }
  void Unlock() { platform::UnlockMutex(handle_); }
  void Close();

 private:
  platform::MutexHandle handle_ = nullptr;
};

class MutexLock {
 public:
  MutexLock() = default;
  ~MutexLock() { Release(); }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

  // One Acquire per Release.
  void Acquire(Mutex& mutex);
  // Unlocks the mutex if this lock holds it; a second call does nothing.
  void Release();

 private:
  Mutex* mutex_ = nullptr;
};

}  // namespace lumarin
