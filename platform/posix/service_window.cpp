#include "platform/service_window.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace platform {
namespace {

ServiceWindowEvents gEvents{};
// The quit signals write a byte here; the loop reads it. Any thread may take the signal.
int gSignalPipe[2] = {-1, -1};
int gQuitCode = 0;
bool gLoopEnded = false;

void OnQuitSignal(int) {
  int saved = errno;
  char byte = 1;
  ssize_t ignored = write(gSignalPipe[1], &byte, 1);
  (void)ignored;
  errno = saved;
}

}  // namespace

void PrepareServiceSignals() {
  signal(SIGPIPE, SIG_IGN);
  if (pipe2(gSignalPipe, O_CLOEXEC) != 0) return;
  struct sigaction action {};
  action.sa_handler = OnQuitSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool RegisterServiceWindowClass(const std::string& /*title*/, const ServiceWindowEvents& events) {
  gEvents = events;
  return true;
}

// No window: the handle only stands for the service's one "window".
ServiceWindow CreateServiceWindow(const std::string& /*title*/, int /*showCommand*/) {
  static char window;
  return reinterpret_cast<ServiceWindow>(&window);
}

int RunMessageLoop() {
  while (!gLoopEnded) {
    // The wait is poll's, not read's: ThreadSanitizer runs a signal's handler during poll
    // but holds it back until a read returns, and this read waits for that very handler.
    pollfd watch{gSignalPipe[0], POLLIN, 0};
    if (poll(&watch, 1, -1) < 0 && errno == EINTR) continue;
    char byte;
    ssize_t got = read(gSignalPipe[0], &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // no pipe: nothing can end the loop but this
    if (gEvents.destroyed) gEvents.destroyed(CreateServiceWindow(std::string(), 0));
  }
  return gQuitCode;
}

void EndMessageLoop(int code) {
  gQuitCode = code;
  gLoopEnded = true;
}

}  // namespace platform
