#pragma once
// The user's folder for temporary files.
#include <string>

namespace platform {

// Ends in a path separator. Windows: the folder GetTempPathA names. Linux: $TMPDIR when it
// is set, else /tmp/. "" when there is none.
std::string TemporaryFolder();

}  // namespace platform
