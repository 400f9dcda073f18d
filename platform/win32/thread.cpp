#include "platform/thread.h"

#include <windows.h>
#include <process.h>

namespace platform {
namespace {

// The handles are the Windows ones, behind the seam's own pointer types.
HANDLE AsHandle(ThreadHandle thread) { return reinterpret_cast<HANDLE>(thread); }
HANDLE AsHandle(MutexHandle mutex) { return reinterpret_cast<HANDLE>(mutex); }

// The address space each thread reserves for its stack. The default (2 MiB) would let some
// hundreds of idle connections, one thread each, use up a 32-bit process. The deepest call
// of any thread is the JSON reader's nesting of a WebSocket message to the bound it allows
// (about 270 KiB in this build; card reads and TLS handshakes need far less): half a MiB
// holds it with room to spare.
constexpr unsigned kStackReserveBytes = 512 * 1024;

struct ThreadStart {
  ThreadBody body;
  void* argument;
};

unsigned __stdcall RunThread(void* argument) {
  const ThreadStart start = *static_cast<ThreadStart*>(argument);
  delete static_cast<ThreadStart*>(argument);
  start.body(start.argument);
  return 0;
}

WaitResult FromWait(DWORD result) {
  if (result == WAIT_OBJECT_0) return WaitResult::kEnded;
  return result == WAIT_TIMEOUT ? WaitResult::kTimedOut : WaitResult::kFailed;
}

}  // namespace

ThreadHandle CreateSuspendedThread(ThreadBody body, void* argument) {
  auto* start = new ThreadStart{body, argument};
  // _beginthreadex, not CreateThread: the thread uses the C runtime.
  const uintptr_t thread = _beginthreadex(nullptr, kStackReserveBytes, RunThread, start,
                                          CREATE_SUSPENDED | STACK_SIZE_PARAM_IS_A_RESERVATION,
                                          nullptr);
  if (thread == 0) {
    delete start;
    return nullptr;
  }
  return reinterpret_cast<ThreadHandle>(thread);
}

void ResumeThread(ThreadHandle thread) {
  if (thread) ::ResumeThread(AsHandle(thread));
}

WaitResult WaitForThread(ThreadHandle thread, std::uint32_t timeoutMs) {
  if (!thread) return WaitResult::kFailed;
  return FromWait(WaitForSingleObject(AsHandle(thread),
                                      timeoutMs == kWaitForever ? INFINITE : timeoutMs));
}

// Used on the UI thread, so that window and tray messages keep being handled meanwhile.
// The wait wakes only for messages that arrived since the queue was last looked at: each
// wake empties the queue, or the messages left in it would wait until the thread has ended.
WaitResult WaitForThreadDispatchingMessages(ThreadHandle thread) {
  if (!thread) return WaitResult::kFailed;
  HANDLE handle = AsHandle(thread);
  for (;;) {
    const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) return WaitResult::kEnded;
    if (result != WAIT_OBJECT_0 + 1) return WaitResult::kFailed;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
  }
}

void CloseThread(ThreadHandle thread) {
  if (thread) CloseHandle(AsHandle(thread));
}

MutexHandle CreateUnnamedMutex() {
  return reinterpret_cast<MutexHandle>(CreateMutexA(nullptr, FALSE, nullptr));
}

bool LockMutex(MutexHandle mutex) {
  if (!mutex) return false;
  const DWORD result = WaitForSingleObject(AsHandle(mutex), INFINITE);
  // An abandoned mutex is owned by the caller all the same.
  return result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
}

void UnlockMutex(MutexHandle mutex) {
  if (mutex) ReleaseMutex(AsHandle(mutex));
}

void CloseMutex(MutexHandle mutex) {
  if (mutex) CloseHandle(AsHandle(mutex));
}

}  // namespace platform
