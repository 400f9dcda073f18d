#include "platform/temporary_folder.h"

#include <windows.h>

#include <vector>

namespace platform {

std::string TemporaryFolder() {
  // The first call tells the size the path needs, however long it is.
  const DWORD needed = GetTempPathA(0, nullptr);
  if (needed == 0) return std::string();
  std::vector<char> buffer(needed + 1);
  const DWORD length = GetTempPathA(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length == 0 || length >= buffer.size()) return std::string();
  return std::string(buffer.data(), length);
}

}  // namespace platform
