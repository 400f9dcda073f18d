#include "service/net/client.h"

#include "service/shell/service_log.h"

namespace lumarin {

void Client::ProcessRequests() {
  AnswerBuffers buffers;
  char read[kReadSize + 1] = {};
  if (buffers.Allocate()) {
    for (;;) {
      const int received = Read(read, kReadSize);
      if (received <= 0) break;
      read[received] = '\0';
      const RequestLogWriter log = gServiceLogOn == 1 ? WriteServiceLog : nullptr;
      const int length = AnswerRequest(read, ServiceRoutes(), log, buffers);
      if (length >= 0) Write(buffers.answer(), length);
    }
  }
  Close();
}

}  // namespace lumarin
