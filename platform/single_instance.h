#pragma once
// One service per user session.
#include <string>

namespace platform {

// True when no other instance runs, and this one is now the instance. Windows: no top-level
// window is titled `title` (an instance that has not yet made its window is not seen).
// Linux: an exclusive lock on "lumarin.lock" in $XDG_RUNTIME_DIR (else /tmp, the user id in
// the name), held until the process ends.
bool ClaimSingleInstance(const std::string& title);

}  // namespace platform
