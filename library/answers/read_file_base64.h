#pragma once
// A whole file as base64 text: the photo and card images of the card answers.

namespace vantel {

// The largest file that is read (the read buffer's size).
constexpr long kMaxBase64FileSize = 204800;

// Reads the file at `path` whole and writes its base64 text, NUL-terminated, into `out`,
// which holds `capacity` bytes. 0 done; -1 the file cannot be opened ("rb"); -2 it is larger
// than kMaxBase64FileSize, its text and NUL would not fit `capacity`, or a read stopped
// before the file's size was reached. Nothing is written to `out` on failure.
int ReadFileBase64(const char* path, char* out, long capacity);

}  // namespace vantel
