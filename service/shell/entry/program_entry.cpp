// The program's entry: the three static servers, then the service's run.
#include "service/api/api_handlers.h"
#include "service/net/http_servers.h"
#include "service/net/ws_server.h"
#include "service/shell/service_shell.h"

namespace {

// Built before the entry in this order, destroyed after it in the reverse one.
lumarin::HttpServer gHttpServer;
lumarin::HttpsServer gHttpsServer;
lumarin::WsServer gWsServer(lumarin::ServiceRouteHandlers());

int Run(int showCommand) {
  return lumarin::RunService({gHttpServer, gHttpsServer, gWsServer}, showCommand);
}

}  // namespace

#if defined(_WIN32)
// Only the show command is used: the window's instance is the program's own module.
extern "C" int __stdcall WinMain(void* /*instance*/, void* /*previous*/, char* /*commandLine*/,
                                 int showCommand) {
  return Run(showCommand);
}
#else
int main() { return Run(0); }
#endif
