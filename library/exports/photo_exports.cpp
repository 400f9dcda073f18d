#include "library/exports/photo_exports.h"

#include "library/cards/photo/photo_file.h"

extern "C" int VANTEL_STDCALL Morvik(const char* photoPath) {
  return vantel::photo::ConvertWltFileToBitmap(photoPath);
}
