// The sibling photo decoder: the project's own decoder behind the same entry. DOUBLE_FAILS
// makes every call answer 0; DOUBLE_WITHOUT_ENTRY leaves the entry out.
#include "double_export.h"
#include "library/cards/photo/photo_file.h"

#if !defined(DOUBLE_WITHOUT_ENTRY)
DOUBLE_ENTRY Morvik(const char* photoPath) {
#if defined(DOUBLE_FAILS)
  (void)photoPath;
  return 0;
#else
  return vantel::photo::ConvertWltFileToBitmap(photoPath);
#endif
}
#endif
