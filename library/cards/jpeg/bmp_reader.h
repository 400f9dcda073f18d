#pragma once
// The converter's own BMP input stage: the JPEG library has no BMP reader.
//
// Every error is raised through the compression object's error manager (its error_exit
// must not return: the converter's leaves by longjmp). The reader keeps no object with a
// destructor: its memory comes from the JPEG library's image pool, which
// jpeg_finish_compress, jpeg_abort_compress and jpeg_destroy_compress free.
#include <cstdio>

#include <jpeglib.h>

namespace vantel {

struct BmpReader {
  std::FILE* input;         // positioned at the "BM" of the file
  JSAMPARRAY buffer;        // after GetBmpRows: the rows handed out (R, G, B samples)
  // Set by StartBmpInput.
  int bitsPerPixel;         // 8, 24 or 32
  JSAMPLE colormap[256][3]; // R, G, B of each index; entries past the table stay 0
  // The whole image as R, G, B rows, top row first, loaded by the first GetBmpRows.
  JSAMPARRAY image;
  JDIMENSION nextRow;
};

// Reads the headers, the colour table and the gap up to the pixel data, and sets the
// image's size, RGB with 3 components of 8 bits, and (from positive resolutions) the
// density in dots per centimetre. Call with a zeroed reader whose input is set.
void StartBmpInput(j_compress_ptr cinfo, BmpReader* reader);

// The next row, top row first, in reader->buffer; returns the number of rows (1). The first
// call loads the whole image (the file stores it bottom-up). Call after jpeg_start_compress.
JDIMENSION GetBmpRows(j_compress_ptr cinfo, BmpReader* reader);

// Nothing is left to do: the image pool goes with the compression object.
void FinishBmpInput(j_compress_ptr cinfo, BmpReader* reader);

}  // namespace vantel
