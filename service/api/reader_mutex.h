#pragma once
// The one lock around the reader library and the service's card code: card operations run
// strictly one at a time across every connection and the WebSocket server. At the service's
// stop the requests still waiting for it give up, and only the operation in progress is
// waited for.
#include <functional>

#include "service/shell/mutex.h"

namespace lumarin {

// Null before the first CreateReaderMutex; then the one mutex until the process ends.
extern Mutex* gReaderMutex;

// Makes the mutex once; after a DestroyReaderMutex, card operations run again (tests only).
Mutex* CreateReaderMutex();
// The first step of the stop: from now on no card operation starts. Each request waiting
// for the mutex is answered {"resultFlag":-1,"errorMsg":"端口打开失败"} as soon as the mutex
// is its own, each later one at once; neither runs anything.
void RefuseCardOperations();
// Refuses the card operations and returns once every request that came before has its
// answer: the operation in progress finished, those that waited behind it refused. Connection
// threads, which nobody waits for at exit, may still bring requests: they are refused at
// once, and the mutex is never freed under them.
void DestroyReaderMutex();

// The shape of every locked wrapper. Under the ReaderMutex, from before the work buffer is
// taken until after the conversion: `operation` writes its JSON answer (ANSI code page, NUL
// not needed) into a fresh zeroed work buffer of kAnswerBufferSize bytes, and the answer is
// converted to UTF-8 into `result` (kAnswerBufferSize bytes). An answer whose UTF-8 form does
// not fit becomes {"resultFlag":-1,"errorMsg":"打开照片失败"}, never a cut one. Throws
// std::bad_alloc when no work buffer can be had.
void RunLocked(char* result, const std::function<void(char* work)>& operation);

}  // namespace lumarin
