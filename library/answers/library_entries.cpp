// The answer layer inside the library: its own exports, the current port, the HID flag,
// the double beep under the mute switch and the library's debug log.
#include "library/answers/reader_entries.h"
#include "library/answers/reader_functions.h"
#include "library/cards/debug_log.h"
#include "library/device/commands/device_settings.h"
#include "library/device/device_state.h"
#include "platform/clock.h"

namespace vantel {
namespace {

int LibraryPort() { return Device().gPort; }

bool LibraryUsesHid() { return Device().gJsonUseHid != 0; }

void LibraryDoubleBeep() {
  if (Device().gMute) return;
  BeepLed(1, 1, 100);
  platform::SleepMs(100);
  BeepLed(1, 1, 100);
}

const ReaderEntries kLibraryEntries{VANTEL_READER_FUNCTIONS, LibraryPort, LibraryUsesHid,
                                    LibraryDoubleBeep, DebugLogf};

}  // namespace

const ReaderEntries& Entries() { return kLibraryEntries; }

}  // namespace vantel
