#if defined(_WIN32)
#include <windows.h>

#include <cstdlib>
#include <string>

#include "platform/pcsc.h"
#include "support/local_socket.h"
#include "support/pcsc_service.h"

namespace vantel_test {
namespace {

// The test-only WinSCard.dll plays vpcd: it takes its readers from the environment and
// starts listening for their cards when the first context is established.
PcscService StartStubReaders() {
  PcscService service;
  const int firstPort = FreePortRun(2);
  if (!firstPort) {
    service.failure = "no free TCP ports";
    return service;
  }
  service.knownReaderCardPort = firstPort;
  service.unknownReaderCardPort = firstPort + 1;
  const std::string readers = std::string("Kestor Passport Reader 0=") + std::to_string(firstPort) +
                              ";Kestor Passport Reader 1=0;Acme Card Reader 0=" +
                              std::to_string(firstPort + 1) + ";Acme Card Reader 1=0";
  _putenv_s("VANTEL_WINSCARD_READERS", readers.c_str());
  platform::PcscContext context = 0;
  if (!platform::PcscEstablishContext(&context))
    service.failure = "no PC/SC service: is WinSCard.dll of the tests beside the program and "
                      "WINEDLLOVERRIDES=winscard=n set?";
  else
    platform::PcscReleaseContext(context);
  return service;
}

}  // namespace

const PcscService& StartPcscService() {
  static const PcscService service = StartStubReaders();
  return service;
}

namespace {

// Calls an entry of the test WinSCard.dll that plays what the smart-card service does;
// false when it has no such entry.
bool CallStub(const char* entry) {
  HMODULE stub = GetModuleHandleA("winscard.dll");
  auto call = stub ? reinterpret_cast<void(WINAPI*)()>(
                         reinterpret_cast<void*>(GetProcAddress(stub, entry)))
                   : nullptr;
  if (!call) return false;
  call();
  return true;
}

}  // namespace

// The test WinSCard.dll forgets every context and card handle it gave out, as a restarted
// smart-card service does.
bool RestartPcscService() { return CallStub("VantelStubRestartService"); }

// The test WinSCard.dll refuses the known reader's handles with the reset warning until they
// reconnect, as the smart-card service does once another program has reset the card.
bool ResetCardFromOutside() { return CallStub("VantelStubResetCard"); }

}  // namespace vantel_test
#endif
