// The e-passport exports. Only the MRZ argument is used; the others keep the call's shape.
#include "library/exports/passport_exports.h"

#include "library/device/passport/passport_read.h"

extern "C" {

int VANTEL_STDCALL Kestor_FindPassport() { return vantel::FindPassport(); }
int VANTEL_STDCALL Kestor_ReadPassport(int, const char* mrz, int) { return vantel::ReadPassport(mrz); }

}  // extern "C"
