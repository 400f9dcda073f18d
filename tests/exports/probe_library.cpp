// Entries of the export-list probe; ProbeUnlisted is defined but not in the list, so it must
// not be visible.
#include "library/exports/stdcall.h"

extern "C" int VANTEL_STDCALL ProbeAdd(int a, int b) { return a + b; }
extern "C" int VANTEL_STDCALL ProbeTwice(int a) { return 2 * a; }
extern "C" int ProbeSeven() { return 7; }
extern "C" int ProbeUnlisted() { return -1; }
