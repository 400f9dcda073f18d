#include "library/exports/jpeg_exports.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "library/cards/jpeg/jpeg_converter.h"
#include "library/device/text_conversions.h"
#include "platform/photo_paths.h"

namespace {

// Reads the whole of `path` into a new block of `*size` bytes; 0, -1 (open or read) or -2.
int ReadWholeFile(const std::string& path, unsigned char** data, long* size) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return -1;
  long length = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) length = std::ftell(file);
  if (length < 0 || std::fseek(file, 0, SEEK_SET) != 0) {
    std::fclose(file);
    return -1;
  }
  // Base64Encode counts in int: a file whose text would not fit is as good as no memory.
  if (length > INT_MAX / 4 * 3 - 3) {
    std::fclose(file);
    return -2;
  }
  auto* bytes = static_cast<unsigned char*>(std::malloc(length > 0 ? length : 1));
  if (!bytes) {
    std::fclose(file);
    return -2;
  }
  long done = 0;
  while (done < length) {
    std::size_t got = std::fread(bytes + done, 1, static_cast<std::size_t>(length - done), file);
    if (got == 0) break;  // the file shrank or cannot be read: never spin on it
    done += static_cast<long>(got);
  }
  std::fclose(file);
  if (done < length) {
    std::free(bytes);
    return -1;
  }
  *data = bytes;
  *size = length;
  return 0;
}

}  // namespace

extern "C" int VANTEL_STDCALL Kestor_bmpToJpgBase64(const char* bmpPath, char* out) {
  if (!out) return -3;
  const std::string jpegPath = platform::FixedPhotoJpegPath();
  // A failed conversion must not hand out an older photo as this one's.
  if (vantel::ConvertToJpeg(bmpPath, jpegPath.c_str()) != vantel::kJpegWritten) return -1;

  unsigned char* data = nullptr;
  long size = 0;
  int read = ReadWholeFile(jpegPath, &data, &size);
  if (read != 0) return read;
  // Room for the whole text: 4 characters for every 3 bytes begun, and the NUL.
  const std::size_t textSize = static_cast<std::size_t>((size + 2) / 3) * 4 + 1;
  auto* text = static_cast<char*>(std::malloc(textSize));
  if (!text) {
    std::free(data);
    return -3;
  }
  int length = 0;
  text[0] = '\0';
  if (size > 0) length = vantel::Base64Encode(text, data, static_cast<int>(size));
  std::memcpy(out, text, static_cast<std::size_t>(length) + 1);
  std::free(text);
  std::free(data);
  return 0;
}
