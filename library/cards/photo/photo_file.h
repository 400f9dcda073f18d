#pragma once
// "photo.wlt" to "photo.bmp" beside it: the body of the `Morvik` entry.
#include <string>

namespace vantel::photo {

// Morvik's results besides 1 (success) and the decoder's own failure values.
constexpr int kMorvikCannotOpen = -1;   // no path, or the photo file cannot be opened
constexpr int kMorvikShortFile = -2;    // the photo file holds fewer than 1024 bytes
constexpr int kMorvikCannotWrite = -3;  // "photo.bmp" cannot be created or written whole

// The folder part of `path` up to and including its last separator ('\' or '/' on Windows,
// '/' elsewhere); "" for a path without one (then "photo.bmp" goes to the working folder).
std::string FolderPartOf(const std::string& path);

// Reads 1024 bytes of the file `wltPath`, decodes them with WltToBitmap and writes the
// 38,862-byte BMP as "photo.bmp" in the same folder (created or replaced). Result 1, one of
// the values above, or the decoder's failure value (no file is written then).
int ConvertWltFileToBitmap(const char* wltPath);

}  // namespace vantel::photo
