#pragma once
// Threads and the unnamed mutex, shared by the service's task threads and the library's
// timer thread.
#include <cstdint>

namespace platform {

// A thread of this process, waitable until it is closed. Null is no thread.
struct ThreadObject;
using ThreadHandle = ThreadObject*;
using ThreadBody = void (*)(void* argument);

enum class WaitResult { kEnded, kTimedOut, kFailed };
constexpr std::uint32_t kWaitForever = 0xFFFFFFFFu;

// A thread that runs body(argument) once ResumeThread lets it go, so that its creator can
// store the handle before the body can end. Null when no thread could be made.
ThreadHandle CreateSuspendedThread(ThreadBody body, void* argument);
void ResumeThread(ThreadHandle thread);
// Null or a closed handle: kFailed. A time-out of 0 only looks.
WaitResult WaitForThread(ThreadHandle thread, std::uint32_t timeoutMs);
// Waits without limit for the thread to end while the calling thread's window messages keep
// being dispatched (Windows). Linux has no message queue: a plain wait.
WaitResult WaitForThreadDispatchingMessages(ThreadHandle thread);
// Gives the handle up; the thread runs on if it has not ended.
void CloseThread(ThreadHandle thread);

// An unnamed mutex that its owner may enter again. Null is no mutex.
struct MutexObject;
using MutexHandle = MutexObject*;

// Not owned by the caller; null on failure.
MutexHandle CreateUnnamedMutex();
// Blocks until the calling thread owns the mutex: false when it cannot (no mutex).
bool LockMutex(MutexHandle mutex);
void UnlockMutex(MutexHandle mutex);
void CloseMutex(MutexHandle mutex);

}  // namespace platform
