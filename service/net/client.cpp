#include "service/net/client.h"

#include <new>

#include "service/shell/service_log.h"

namespace lumarin {

void Client::ProcessRequests(ConnectionCap::Place& place, std::chrono::milliseconds headLimit) {
  char read[kReadSize + 1] = {};
  place_ = &place;
  place.Started();
  Deadline head = std::chrono::steady_clock::now() + headLimit;
  try {
    if (Open(head)) {
      for (;;) {
        const int received = Read(read, kReadSize, head);
        if (received <= 0 || !place.AnswerBegins()) break;
        read[received] = '\0';
        const bool answered = Answer(read);
        place.AnswerEnded(answered);
        if (answered)
          head = kNoDeadline;
        else if (head == kNoDeadline)
          head = std::chrono::steady_clock::now() + headLimit;
      }
    }
  } catch (const std::bad_alloc&) {
    // Out of memory: this connection ends; the service and its other connections go on.
  }
  place.Leave();
  place_ = nullptr;
  Close();
}

bool Client::Answer(const char* read) {
  // Taken only by a request that a handler answers and given back after it, so that an
  // idle connection holds next to nothing.
  AnswerBuffer buffer;
  const RequestLogWriter log = gServiceLogOn == 1 ? WriteServiceLog : nullptr;
  const AnswerText answer = AnswerRequest(read, ServiceRoutes(), log, buffer);
  if (!answer.bytes) return false;
  Write(answer.bytes, answer.length);
  return true;
}

}  // namespace lumarin
