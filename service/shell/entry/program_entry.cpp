// The program's entry. Start-up and the tray shell are to come; for now it reads the log
// switch and ends.
#include "library/exports/photo_exports.h"
#include "library/exports/port_exports.h"
#include "service/shell/service_log.h"

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

int RunService() {
  lumarin::InitServiceLog();
  return 0;
}

}  // namespace

#if defined(_WIN32)
// WinMain's handles are opaque here: the program uses none of them yet.
extern "C" int __stdcall WinMain(void* /*instance*/, void* /*previous*/, char* /*commandLine*/,
                                 int /*showCommand*/) {
  return RunService();
}
#else
int main() { return RunService(); }
#endif
