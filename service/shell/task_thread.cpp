#include "service/shell/task_thread.h"

namespace lumarin {

CTaskThread::~CTaskThread() {
  if (autoDelete_) {
    platform::CloseThread(handle_);
    return;
  }
  stopRequested_ = 1;
  if (platform::WaitForThread(handle_, platform::kWaitForever) == platform::WaitResult::kEnded)
    platform::CloseThread(handle_);
}

platform::ThreadHandle CTaskThread::Start() {
  stopRequested_ = 0;
  if (handle_) {
    WaitWithMessagePump();
    platform::CloseThread(handle_);
    handle_ = nullptr;
  }
  // Started held, so that the handle is stored before a self-deleting object can be gone.
  platform::ThreadHandle thread = platform::CreateSuspendedThread(&CTaskThread::ThreadProc, this);
  handle_ = thread;
  platform::ResumeThread(thread);
  return thread;
}

void CTaskThread::ThreadProc(void* object) {
  auto* self = static_cast<CTaskThread*>(object);
  self->Run();
  if (self->autoDelete_) delete self;
}

bool CTaskThread::IsRunning() const {
  return handle_ && platform::WaitForThread(handle_, 0) == platform::WaitResult::kTimedOut;
}

void CTaskThread::WaitWithMessagePump() {
  if (handle_) platform::WaitForThreadDispatchingMessages(handle_);
}

}  // namespace lumarin
