// The program's entry: the three static servers, then the service's run.
#include "library/exports/photo_exports.h"
#include "library/exports/port_exports.h"
#include "service/net/http_servers.h"
#include "service/net/ws_server.h"
#include "service/shell/service_shell.h"

// The program imports the reader library's entries by name, so that the library is mapped
// and its load-time set-up has run before the service's own code starts. Until the card
// operations call them, these references make that binding.
struct BoundReaderEntries {
  decltype(&InitComm) initComm;
  decltype(&Morvik) morvik;
};
extern const BoundReaderEntries kBoundReaderEntries;
const BoundReaderEntries kBoundReaderEntries{&InitComm, &Morvik};

namespace {

// Until the WebSocket command table lands, a command message gets an empty answer and
// there is no push to end.
void AnswerNothing(const char* /*request*/, char* /*answer*/) {}
void NoPushToStop() {}

// Built before the entry in this order, destroyed after it in the reverse one.
lumarin::HttpServer gHttpServer;
lumarin::HttpsServer gHttpsServer;
lumarin::WsServer gWsServer(lumarin::WsCommands{AnswerNothing, NoPushToStop});

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
