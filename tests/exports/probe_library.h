#pragma once
// The probe library's entries, for the program that imports them.
#include "library/exports/stdcall.h"

extern "C" int VANTEL_STDCALL ProbeAdd(int a, int b);
