#pragma once
// HID reader selection: its stdcall exports.

#include "library/exports/stdcall.h"

extern "C" {

// The number of matching HID readers found by the last enumeration.
int VANTEL_STDCALL GetHIDCount();
// Opens matching HID reader n (1-based): 1 when it opened, else 0.
int VANTEL_STDCALL HIDSelect(int n);

}  // extern "C"
