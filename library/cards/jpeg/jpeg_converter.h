#pragma once
// The BMP to JPEG converter.

namespace vantel {

// Results of ConvertToJpeg.
constexpr int kJpegWritten = 0;
constexpr int kJpegCannotOpen = 1;
// This system's own, in place of ending the process: an error of the JPEG library or of the
// BMP input (its message went to the standard error stream), or GIF input. A JPEG file given
// by path has then been removed; on standard output the bytes already written stay there.
constexpr int kJpegConversionFailed = 2;

// Converts the BMP file `bmpPath` to the JPEG file `jpegPath` (RGB stored without colour
// transform, Adobe marker and no JFIF marker, quality 75, baseline). A null `bmpPath` reads
// standard input and a null `jpegPath` writes standard output, both in binary mode. The
// input's first byte chooses the reader: "B" BMP; "G" is refused as GIF input; any other,
// the PPM/PGM "P" and Targa 0x00 included, is error 1042 (this system reads only BMP).
// Each call has its own compression object and keeps nothing afterwards; calls on different
// files may run at the same time.
int ConvertToJpeg(const char* bmpPath, const char* jpegPath);

}  // namespace vantel
