#pragma once
// Folders, file attributes and environment.
#include <string>

namespace platform {

bool PathExists(const std::string& path);
// True when the folder was created by this call.
bool CreateFolder(const std::string& path);
// Clears read-only, hidden and similar attributes of a path.
void SetNormalAttributes(const std::string& path);
// "" when the variable is not set.
std::string EnvironmentVariable(const std::string& name);
// The user's temporary folder with a trailing separator: GetTempPathA on Windows; on Linux
// $TMPDIR when set, else "/tmp/".
std::string TempFolderPath();

// Copies a file, replacing one already at `to`: true when copied.
bool CopyFileReplacing(const std::string& from, const std::string& to);
// Moves a file only when nothing is at `to` yet: true when moved.
bool MoveFileNoReplace(const std::string& from, const std::string& to);

}  // namespace platform
