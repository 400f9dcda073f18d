#pragma once
// The one lock around the reader library and the service's card code: card operations run
// strictly one at a time across every connection and the WebSocket server.
#include <functional>

#include "service/shell/mutex.h"

namespace lumarin {

// Null before the first CreateReaderMutex; then the one mutex until the process ends.
extern Mutex* gReaderMutex;

// Makes the mutex once; after a DestroyReaderMutex on the same thread, lets it go again.
Mutex* CreateReaderMutex();
// Waits for the card operation in progress and keeps the mutex held: connection threads,
// which nobody waits for at exit, may still bring requests, and those wait (until the
// process ends) instead of taking a freed mutex or starting a card operation.
void DestroyReaderMutex();

// The shape of every locked wrapper. Under the ReaderMutex, from before the work buffer is
// taken until after the conversion: `operation` writes its JSON answer (ANSI code page, NUL
// not needed) into a fresh zeroed work buffer of kAnswerBufferSize bytes, and the answer is
// converted to UTF-8 into `result` (kAnswerBufferSize bytes). An answer whose UTF-8 form does
// not fit becomes {"resultFlag":-1,"errorMsg":"打开照片失败"}, never a cut one. Throws
// std::bad_alloc when no work buffer can be had.
void RunLocked(char* result, const std::function<void(char* work)>& operation);

}  // namespace lumarin
