#include "library/device/custom_thread.h"

namespace vantel {
namespace {

// The object whose Run the calling thread runs, if any.
thread_local const CustomThread* tRunningObject = nullptr;

}  // namespace

bool CustomThread::Start() {
  // Started held, so that the handle is stored before the thread can close it.
  platform::ThreadHandle thread = platform::CreateSuspendedThread(&CustomThread::ThreadProc, this);
  if (!thread) return false;
  handle_ = thread;
  platform::ResumeThread(thread);
  return true;
}

void CustomThread::ThreadProc(void* object) {
  auto* self = static_cast<CustomThread*>(object);
  tRunningObject = self;
  self->Run();
  tRunningObject = nullptr;
  const bool deleteSelf = self->deleteWhenStopped_;
  // Whoever takes the handle closes it: Stop may be waiting on it, or gone already, in which
  // case the object may be too (unless it is this thread's to delete).
  platform::CloseThread(self->handle_.exchange(nullptr));
  if (deleteSelf) delete self;
}

void CustomThread::Stop() {
  stop_ = true;
  if (IsOwnThread()) return;  // it cannot wait for itself: it ends once Run returns
  platform::ThreadHandle thread = handle_.exchange(nullptr);
  if (!thread) return;
  platform::WaitForThread(thread, platform::kWaitForever);
  platform::CloseThread(thread);
}

bool CustomThread::IsOwnThread() const { return tRunningObject == this; }

void CustomThread::DeleteWhenStopped() {
  deleteWhenStopped_ = true;
  stop_ = true;
}

}  // namespace vantel
