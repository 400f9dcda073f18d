#pragma once
// Photo to JPEG: its stdcall export.

#include "library/exports/stdcall.h"

extern "C" {

// Converts the BMP file `bmpPath` to the fixed JPEG file (platform::FixedPhotoJpegPath:
// "C:\photo.jpg" on Windows, "photo.jpg" in ~/.vantel or $VANTEL_PHOTO_DIR on Linux), reads
// that file whole and writes its base64 text, NUL-terminated, into `out`.
//
// `out` has no size in this interface, so its size cannot be checked: the caller provides
// room for 4 * ceil(JPEG size / 3) + 1 characters (about four thirds of the JPEG size;
// a 102 x 126 photo at quality 75 gives a few kilobytes).
//
// Results: 0 success; -1 the conversion failed, or the fixed file cannot be opened or read
// after it; -2 no memory for the file contents; -3 no memory for the base64 text (or a
// null `out`). Not reentrant: one conversion at a time uses the fixed file.
int VANTEL_STDCALL Kestor_bmpToJpgBase64(const char* bmpPath, char* out);

}  // extern "C"
