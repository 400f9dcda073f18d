#include "service/api/reader_mutex.h"

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>

#include "platform/large_block.h"
#include "service/api/api_handler.h"
#include "service/net/service_text.h"

namespace lumarin {
namespace {

constexpr char kTooLargeAnswer[] = "{\"resultFlag\":-1,\"errorMsg\":\"打开照片失败\"}";
// A request the stopping service will not run. The service's reads answer so when the reader
// cannot be opened, and pages show it as any failed operation; a closed connection would
// look to them like a service that was never there.
constexpr char kRefusedAnswer[] = "{\"resultFlag\":-1,\"errorMsg\":\"端口打开失败\"}";

// Set at the stop, under gCallersLock, and looked at again under the mutex: an operation
// either started before the stop or never does.
std::atomic<bool> gRefusing{false};

// The callers that came before the stop, waiting for the mutex or running: the stop waits
// until each has its answer. Later ones are refused at once and not counted.
std::mutex gCallersLock;
std::condition_variable gCallersGone;
int gCallers = 0;

// False once the service is stopping.
bool ComeIn() {
  std::lock_guard<std::mutex> hold(gCallersLock);
  if (gRefusing) return false;
  ++gCallers;
  return true;
}

// Leaves with its answer, on the way out of an exception too. Told under the lock: the stop,
// which may end the process next, sees the count only once the last caller is done with it.
struct Caller {
  ~Caller() {
    std::lock_guard<std::mutex> hold(gCallersLock);
    --gCallers;
    gCallersGone.notify_all();
  }
};

void Refuse(char* result) { AnsiToUtf8Buffer(kRefusedAnswer, result, kAnswerBufferSize); }

}  // namespace

Mutex* gReaderMutex = nullptr;

Mutex* CreateReaderMutex() {
  if (!gReaderMutex) {
    gReaderMutex = new Mutex;
    gReaderMutex->Create();
  }
  gRefusing = false;
  return gReaderMutex;
}

void RefuseCardOperations() {
  std::lock_guard<std::mutex> hold(gCallersLock);
  gRefusing = true;
}

void DestroyReaderMutex() {
  std::unique_lock<std::mutex> hold(gCallersLock);
  gRefusing = true;
  gCallersGone.wait(hold, [] { return gCallers == 0; });
}

void RunLocked(char* result, const std::function<void(char* work)>& operation) {
  if (!ComeIn()) return Refuse(result);
  Caller leaves;
  MutexLock lock;
  lock.Acquire(*gReaderMutex);
  if (gRefusing) return Refuse(result);
  platform::LargeBlock work = platform::MakeLargeBlock(kAnswerBufferSize + 1);
  if (!work) throw std::bad_alloc();
  // Zeroed whole: the operations copy answers without their NUL, and the byte behind the
  // buffer stays zero, so an answer that fills it is still terminated.
  std::memset(work.get(), 0, kAnswerBufferSize + 1);
  operation(work.get());
  if (AnsiToUtf8Buffer(work.get(), result, kAnswerBufferSize) != 0)
    AnsiToUtf8Buffer(kTooLargeAnswer, result, kAnswerBufferSize);
  work.reset();
  lock.Release();
}

}  // namespace lumarin
