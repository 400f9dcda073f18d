#pragma once
// Start-up, the life behind the hidden window (the tray on Windows, the foreground on Linux)
// and the exit of the service.
#include "service/net/http_servers.h"
#include "service/net/ws_server.h"

namespace lumarin {

// The program's three static servers.
struct ServiceServers {
  HttpServer& http;
  HttpsServer& https;
  WsServer& ws;
};

// The title: window class and title, single-instance search, message-box caption, tray tip.
extern const char kServiceTitle[];

// The whole run of the service; the process's exit code.
int RunService(ServiceServers servers, int showCommand);

}  // namespace lumarin
