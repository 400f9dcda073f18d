#include "library/cards/jpeg/cjpeg_messages.h"

namespace vantel {

const char* const kCjpegAddonMessages[kCjpegLastAddonCode - kCjpegFirstAddonCode + 1] = {
    nullptr,  // 1000, the first add-on code
    // BMP input, 1001 to 1012.
    "Unsupported BMP colormap format",
    "Only 8- and 24-bit BMP files are supported",
    "Invalid BMP file: bad header length",
    "Invalid BMP file: biPlanes not equal to 1",
    "BMP output must be grayscale or RGB",
    "Sorry, compressed BMPs not yet supported",
    "Empty BMP image",
    "Not a BMP file - does not start with BM",
    "%ux%u 24-bit BMP image",
    "%ux%u 8-bit colormapped BMP image",
    "%ux%u 24-bit OS2 BMP image",
    "%ux%u 8-bit colormapped OS2 BMP image",
    // GIF, 1013 to 1025.
    "GIF output got confused",
    "Bogus GIF codesize %d",
    "GIF output must be grayscale or RGB",
    "Too few images in GIF file",
    "Not a GIF file",
    "%ux%ux%d GIF image",
    "Warning: unexpected GIF version number '%c%c%c'",
    "Ignoring GIF extension block of type 0x%02x",
    "Caution: nonsquare pixels in input",
    "Corrupt data in GIF file",
    "Bogus char 0x%02x in GIF file, ignoring",
    "Premature end of GIF image",
    "Ran out of GIF bits",
    // PPM and PGM, 1026 to 1032.
    "PPM output must be grayscale or RGB",
    "Nonnumeric data in PPM file",
    "Not a PPM/PGM file",
    "%ux%u PGM image",
    "%ux%u text PGM image",
    "%ux%u PPM image",
    "%ux%u text PPM image",
    // Targa, 1033 to 1038.
    "Unsupported Targa colormap format",
    "Invalid or unsupported Targa file",
    "Targa output must be grayscale or RGB",
    "%ux%u RGB Targa image",
    "%ux%u grayscale Targa image",
    "%ux%u colormapped Targa image",
    // Shared, 1039 to 1043.
    "Color map file is invalid or of unsupported format",
    "Output color map has too many colors (%d > %d)",
    "ungetc failed",
    "Unrecognized input file format --- perhaps you need -targa",
    "Unsupported output file format",
    nullptr,  // 1044, the last add-on code
};

}  // namespace vantel
