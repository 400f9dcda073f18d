#include "library/exports/hid_exports.h"

#include "library/device/hid_transport.h"

int VANTEL_STDCALL GetHIDCount() { return vantel::GetHIDCount(); }

int VANTEL_STDCALL HIDSelect(int n) { return vantel::HIDSelect(n); }
