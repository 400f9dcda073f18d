// The shared library's load-time entry on Linux: the counterpart of DllMain's
// process-attach notification.
#include "library/device/library_setup.h"

__attribute__((constructor)) static void OnLibraryLoaded() { vantel::RunLoadTimeSetup(); }
