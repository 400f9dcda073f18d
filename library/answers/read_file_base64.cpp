#include "library/answers/read_file_base64.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "library/device/text_conversions.h"

namespace vantel {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

long FileSize(std::FILE* file) {
  if (std::fseek(file, 0, SEEK_END) != 0) return -1;
  const long size = std::ftell(file);
  return std::fseek(file, 0, SEEK_SET) == 0 ? size : -1;
}

long Base64Length(long size) { return (size + 2) / 3 * 4; }

}  // namespace

int ReadFileBase64(const char* path, char* out, long capacity) {
  std::unique_ptr<std::FILE, FileCloser> file(path ? std::fopen(path, "rb") : nullptr);
  if (!file) return -1;
  const long size = FileSize(file.get());
  if (size < 0 || size > kMaxBase64FileSize || !out || Base64Length(size) + 1 > capacity) return -2;
  std::vector<unsigned char> data(static_cast<std::size_t>(size) + 1);
  long done = 0;
  while (done < size) {
    const std::size_t got =
        std::fread(data.data() + done, 1, static_cast<std::size_t>(size - done), file.get());
    if (got == 0) return -2;  // a read that makes no progress ends the loop
    done += static_cast<long>(got);
  }
  if (size == 0) {
    out[0] = '\0';
    return 0;
  }
  Base64Encode(out, data.data(), static_cast<int>(size));
  return 0;
}

}  // namespace vantel
