// Decodes a card's photo file into "photo.bmp" beside it with the reader library's own
// decoder, reached through its export as the service reaches it; the browser test compares
// the answer's portrait with it. Usage: decode_photo PHOTO.wlt (exit 0 once decoded).
#include "library/exports/photo_exports.h"

int main(int argc, char** argv) { return argc == 2 && Morvik(argv[1]) == 1 ? 0 : 1; }
