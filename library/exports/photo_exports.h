#pragma once
// The card-photo decoder's stdcall export.

#ifndef VANTEL_STDCALL
#if defined(_WIN32)
#define VANTEL_STDCALL __stdcall
#else
#define VANTEL_STDCALL
#endif
#endif

extern "C" {

// Decodes the 1024-byte photo file `photoPath` ("photo.wlt") and writes the 102 x 126
// 24-bit bitmap as "photo.bmp" into the folder that holds it (the path up to its last '\'
// or '/'; a path without one writes into the working folder), replacing any earlier one.
// Results: 1 the bitmap file has been written; -1 no path or the photo file cannot be
// opened; -2 it holds fewer than 1024 bytes; -3 "photo.bmp" cannot be written; -4 the photo's
// magic is wrong; -5 to -10 a malformed photo (see vantel::photo::WltResult). No file is
// written on failure.
int VANTEL_STDCALL Morvik(const char* photoPath);

}  // extern "C"
