#include "library/cards/photo/photo_file.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "library/cards/photo/wlt_decoder.h"

namespace vantel::photo {

std::string FolderPartOf(const std::string& path) {
#if defined(_WIN32)
  const std::size_t last = path.find_last_of("\\/");
#else
  const std::size_t last = path.find_last_of('/');
#endif
  return last == std::string::npos ? std::string() : path.substr(0, last + 1);
}

int ConvertWltFileToBitmap(const char* wltPath) {
  if (wltPath == nullptr) return kMorvikCannotOpen;
  std::uint8_t photo[kWltPhotoSize];
  std::FILE* in = std::fopen(wltPath, "rb");
  if (in == nullptr) return kMorvikCannotOpen;
  const std::size_t got = std::fread(photo, 1, sizeof photo, in);
  std::fclose(in);
  if (got < sizeof photo) return kMorvikShortFile;

  std::vector<std::uint8_t> bitmap(kWltBitmapSize, 0);
  int length = 0;
  const int result = WltToBitmap(photo, bitmap.data(), &length);
  if (result != 1) return result;

  const std::string bmpPath = FolderPartOf(wltPath) + "photo.bmp";
  std::FILE* out = std::fopen(bmpPath.c_str(), "wb");
  if (out == nullptr) return kMorvikCannotWrite;
  const std::size_t written = std::fwrite(bitmap.data(), 1, static_cast<std::size_t>(length), out);
  const bool closed = std::fclose(out) == 0;
  if (written != static_cast<std::size_t>(length) || !closed) {
    std::remove(bmpPath.c_str());
    return kMorvikCannotWrite;
  }
  return 1;
}

}  // namespace vantel::photo
