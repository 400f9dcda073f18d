#include "service/api/reader_mutex.h"

#include <cstring>
#include <new>

#include "platform/large_block.h"
#include "service/api/api_handler.h"
#include "service/net/service_text.h"

namespace lumarin {
namespace {

constexpr char kTooLargeAnswer[] = "{\"resultFlag\":-1,\"errorMsg\":\"打开照片失败\"}";

}  // namespace

Mutex* gReaderMutex = nullptr;

namespace {
bool gReaderMutexHeld = false;  // by the thread that destroyed it
}  // namespace

Mutex* CreateReaderMutex() {
  if (!gReaderMutex) {
    gReaderMutex = new Mutex;
    gReaderMutex->Create();
  } else if (gReaderMutexHeld) {
    gReaderMutex->Unlock();
  }
  gReaderMutexHeld = false;
  return gReaderMutex;
}

void DestroyReaderMutex() {
  if (!gReaderMutex || gReaderMutexHeld) return;
  gReaderMutex->Lock();
  gReaderMutexHeld = true;
}

void RunLocked(char* result, const std::function<void(char* work)>& operation) {
  MutexLock lock;
  lock.Acquire(*gReaderMutex);
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
