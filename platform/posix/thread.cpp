#include "platform/thread.h"

#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

// A pthread behind a start gate. The record is shared by the thread and its handle and freed
// by whichever of the two lets go of it last, so a handle can be waited on after the thread
// is gone, as a Windows thread handle can. As there, a wait ends only once the thread has
// exited whole: the first wait that sees the body end joins the thread, so what libraries
// free as the thread exits (OpenSSL's per-thread state) is freed before the waiter goes on.
// A handle closed before that detaches the thread.
struct ThreadObject {
  ThreadObject(ThreadBody body, void* argument) : body(body), argument(argument) {}
  ThreadBody body;
  void* argument;
  pthread_t id{};
  std::mutex lock;
  std::condition_variable changed;
  bool released = false;
  bool ended = false;
  bool joined = false;
  std::atomic<int> holders{2};
};

struct MutexObject {
  pthread_mutex_t mutex;
};

namespace {

void LetGo(ThreadObject* thread) {
  if (thread->holders.fetch_sub(1) == 1) delete thread;
}

void* RunThread(void* argument) {
  auto* thread = static_cast<ThreadObject*>(argument);
  {
    std::unique_lock<std::mutex> hold(thread->lock);
    thread->changed.wait(hold, [thread] { return thread->released; });
  }
  thread->body(thread->argument);
  {
    std::lock_guard<std::mutex> hold(thread->lock);
    thread->ended = true;
  }
  thread->changed.notify_all();
  LetGo(thread);
  return nullptr;
}

// Called with the record's lock held, once the body has ended.
void JoinOnce(ThreadObject* thread) {
  if (thread->joined) return;
  pthread_join(thread->id, nullptr);
  thread->joined = true;
}

}  // namespace

ThreadHandle CreateSuspendedThread(ThreadBody body, void* argument) {
  auto* thread = new ThreadObject(body, argument);
  if (pthread_create(&thread->id, nullptr, RunThread, thread) != 0) {
    delete thread;
    return nullptr;
  }
  return thread;
}

void ResumeThread(ThreadHandle thread) {
  if (!thread) return;
  // Signalled with the lock held: once it is let go, the thread may run, end and free the
  // record before this call would reach the condition variable.
  std::lock_guard<std::mutex> hold(thread->lock);
  thread->released = true;
  thread->changed.notify_all();
}

WaitResult WaitForThread(ThreadHandle thread, std::uint32_t timeoutMs) {
  if (!thread) return WaitResult::kFailed;
  std::unique_lock<std::mutex> hold(thread->lock);
  const auto hasEnded = [thread] { return thread->ended; };
  if (timeoutMs == kWaitForever) {
    thread->changed.wait(hold, hasEnded);
  } else if (!thread->changed.wait_for(hold, std::chrono::milliseconds(timeoutMs), hasEnded)) {
    return WaitResult::kTimedOut;
  }
  JoinOnce(thread);
  return WaitResult::kEnded;
}

WaitResult WaitForThreadDispatchingMessages(ThreadHandle thread) {
  return WaitForThread(thread, kWaitForever);
}

void CloseThread(ThreadHandle thread) {
  if (!thread) return;
  {
    std::lock_guard<std::mutex> hold(thread->lock);
    if (!thread->joined) pthread_detach(thread->id);
  }
  LetGo(thread);
}

MutexHandle CreateUnnamedMutex() {
  auto* mutex = new MutexObject;
  pthread_mutexattr_t attributes;
  pthread_mutexattr_init(&attributes);
  // A Windows mutex may be entered again by its owner.
  pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
  const int failed = pthread_mutex_init(&mutex->mutex, &attributes);
  pthread_mutexattr_destroy(&attributes);
  if (failed) {
    delete mutex;
    return nullptr;
  }
  return mutex;
}

bool LockMutex(MutexHandle mutex) { return mutex && pthread_mutex_lock(&mutex->mutex) == 0; }

void UnlockMutex(MutexHandle mutex) {
  if (mutex) pthread_mutex_unlock(&mutex->mutex);
}

void CloseMutex(MutexHandle mutex) {
  if (!mutex) return;
  pthread_mutex_destroy(&mutex->mutex);
  delete mutex;
}

}  // namespace platform
