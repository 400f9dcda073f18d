// The DLL's entry: the load-time set-up runs when a process attaches the library.
#include <windows.h>

#include "library/device/library_setup.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) vantel::RunLoadTimeSetup();
  return TRUE;
}
