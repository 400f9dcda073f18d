#include "service/shell/mutex.h"

namespace lumarin {

void Mutex::Create() {
  Close();
  handle_ = platform::CreateUnnamedMutex();
}

void Mutex::Close() {
  platform::CloseMutex(handle_);
  handle_ = nullptr;
}

void MutexLock::Acquire(Mutex& mutex) {
  mutex_ = &mutex;
  mutex.Lock();
}

void MutexLock::Release() {
  if (!mutex_) return;
  mutex_->Unlock();
  mutex_ = nullptr;
}

}  // namespace lumarin
