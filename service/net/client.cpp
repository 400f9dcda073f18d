#include "service/net/client.h"

#include <new>

#include "service/shell/service_log.h"

namespace lumarin {

void Client::ProcessRequests() {
  char read[kReadSize + 1] = {};
  try {
    for (;;) {
      const int received = Read(read, kReadSize);
      if (received <= 0) break;
      read[received] = '\0';
      if (!Answer(read)) break;
    }
  } catch (const std::bad_alloc&) {
    // Out of memory: this connection ends; the service and its other connections go on.
  }
  Close();
}

bool Client::Answer(const char* read) {
  // Held only while a request is answered, so that an idle connection holds next to nothing.
  AnswerBuffers buffers;
  if (!buffers.Allocate()) return false;
  const RequestLogWriter log = gServiceLogOn == 1 ? WriteServiceLog : nullptr;
  const int length = AnswerRequest(read, ServiceRoutes(), log, buffers);
  if (length >= 0) Write(buffers.answer(), length);
  return true;
}

}  // namespace lumarin
