#include "service/shell/service_shell.h"

#include <cstdio>

#include "library/answers/imported_entries.h"
#include "platform/message_box.h"
#include "platform/service_window.h"
#include "platform/single_instance.h"
#include "platform/tcp_socket.h"
#include "service/api/reader_mutex.h"
#include "service/shell/service_log.h"
#include "service/shell/service_ports.h"
#if defined(_WIN32)
#include "service/shell/tray_menu.h"
#endif

namespace lumarin {

const char kServiceTitle[] = "Marnel读卡插件";

namespace {

// The window's messages reach the servers through here; set once, before the window exists.
ServiceServers* gServers = nullptr;

#if defined(_WIN32)
void OnRightClick(platform::ServiceWindow window, std::uintptr_t wParam, std::intptr_t lParam) {
  OnTrayRightClick(*gServers, window, wParam, lParam);
}
#endif

// The road of "退出" (and of SIGINT and SIGTERM on Linux).
void OnWindowDestroyed(platform::ServiceWindow /*window*/) {
  // First: the requests queued for the reader must not hold the exit up, one card operation
  // after another.
  RefuseCardOperations();
  gServers->http.Stop();
  gServers->https.Stop();
#if defined(_WIN32)
  RemoveTray();
#endif
  platform::EndMessageLoop(0);
}

#if defined(_WIN32)
const platform::ServiceWindowEvents kWindowEvents{AddTray, OnRightClick, OnWindowDestroyed};
#else
// Linux has no tray: the "window" only goes.
const platform::ServiceWindowEvents kWindowEvents{nullptr, nullptr, OnWindowDestroyed};
#endif

// The answer layer's lines go to the service log, cut like the service's own.
void LogAnswerLine(const char* line) { ServiceLogf("%s", line); }

void StartServers(ServiceServers& servers) {
  servers.http.Start(nullptr, "127.0.0.1", gHttpPort);
  std::printf("http server_active_term_start succeed \n");
  std::fflush(stdout);
  servers.https.Start(nullptr, "127.0.0.1", gHttpsPort);
  std::printf("https server_active_term_start succeed \n");
  std::fflush(stdout);
  servers.ws.Start(nullptr, "127.0.0.1", gWebSocketPort);
}

}  // namespace

int RunService(ServiceServers servers, int showCommand) {
  gServers = &servers;
  platform::PrepareServiceSignals();
  InitServiceLog();
  vantel::SetAnswerLogHook(LogAnswerLine);
  LoadServicePorts();
  CreateReaderMutex();
  if (!platform::ClaimSingleInstance(kServiceTitle)) {
    platform::ShowErrorMessageBox("Application is already running", kServiceTitle);
    return 0;
  }
  platform::StartSocketLibrary();
  StartServers(servers);
  if (!platform::RegisterServiceWindowClass(kServiceTitle, kWindowEvents)) {
    platform::ShowErrorMessageBox("This program requires Windows NT!", kServiceTitle);
    return 0;
  }
  platform::CreateServiceWindow(kServiceTitle, showCommand);
  int code = platform::RunMessageLoop();
  // Push ended and the WebSocket threads waited for before the sockets and the reader mutex
  // go: they may be in a card operation or a send.
  servers.ws.StopAndWait();
  // The card operation in progress ends, and the requests queued behind it are refused, before
  // the sockets go: those answers are yet to be sent.
  DestroyReaderMutex();
  // Their connections' threads end with them, before the sockets go and the program ends.
  servers.http.StopAndWait();
  servers.https.StopAndWait();
  platform::StopSocketLibrary();
  return code;
}

}  // namespace lumarin
