#include <cstdio>
#include <string>

namespace platform {

void ShowSystemMessageBox(const std::string& text, const std::string& caption) {
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
}

}  // namespace platform
