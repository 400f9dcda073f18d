#pragma once
// The converter's add-on message table for the JPEG library's error manager:
// the texts of the JPEG library's sample readers (cjpeg's "cderror.h"), codes 1000 to 1044.
// Only the BMP codes, 1041 and 1042 are raised by this system.

namespace vantel {

enum CjpegMessageCode : int {
  kCjpegFirstAddonCode = 1000,
  kBmpBadColormap = 1001,        // "Unsupported BMP colormap format"
  kBmpBadDepth = 1002,           // "Only 8- and 24-bit BMP files are supported"
  kBmpBadHeader = 1003,          // "Invalid BMP file: bad header length"
  kBmpBadPlanes = 1004,          // "Invalid BMP file: biPlanes not equal to 1"
  kBmpColorspace = 1005,
  kBmpCompressed = 1006,         // "Sorry, compressed BMPs not yet supported"
  kBmpEmpty = 1007,              // "Empty BMP image"
  kBmpNot = 1008,                // "Not a BMP file - does not start with BM"
  kBmpTrace = 1009,              // "%ux%u 24-bit BMP image"
  kBmpTraceMapped = 1010,        // "%ux%u 8-bit colormapped BMP image"
  kBmpTraceOs2 = 1011,           // "%ux%u 24-bit OS2 BMP image"
  kBmpTraceOs2Mapped = 1012,     // "%ux%u 8-bit colormapped OS2 BMP image"
  kUngetcFailed = 1041,          // "ungetc failed"
  kUnknownFormat = 1042,         // "Unrecognized input file format --- perhaps you need -targa"
  kCjpegLastAddonCode = 1044,
};

// Entry i is the text of code kCjpegFirstAddonCode + i; the first and last are null.
extern const char* const kCjpegAddonMessages[kCjpegLastAddonCode - kCjpegFirstAddonCode + 1];

}  // namespace vantel
