#include "library/answers/imported_entries.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>

#include "library/answers/device_operations.h"
#include "library/answers/reader_entries.h"
#include "library/answers/reader_functions.h"

namespace vantel {
namespace {

std::atomic<AnswerLogHook> gLogHook{nullptr};
// The service's own HID choice; nothing sets it, so the layer opens 1001.
bool gServiceJsonUseHid = false;

// The port the layer opened: after InitComm(1001) it reaches the reader the library chose.
int OpenedPort() { return AnswerPort(); }

bool ServiceUsesHid() { return gServiceJsonUseHid; }

void NoBeep() {}

void HookLog(const char* format, ...) {
  const AnswerLogHook hook = gLogHook.load();
  if (!hook) return;
  char line[1024];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  hook(line);
}

const ReaderEntries kImportedEntries{VANTEL_READER_FUNCTIONS, OpenedPort, ServiceUsesHid, NoBeep,
                                     HookLog};

}  // namespace

void SetAnswerLogHook(AnswerLogHook hook) { gLogHook.store(hook); }

const ReaderEntries& Entries() { return kImportedEntries; }

}  // namespace vantel
