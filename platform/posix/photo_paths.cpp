#include "platform/photo_paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/files.h"

namespace platform {
namespace {

std::string HomeFolder() {
  std::string home = EnvironmentVariable("HOME");
  if (!home.empty()) return home;
  const passwd* entry = getpwuid(getuid());
  if (entry && entry->pw_dir && *entry->pw_dir) return entry->pw_dir;
  return "/tmp";
}

}  // namespace

std::string FixedPhotoJpegPath() {
  std::string folder = EnvironmentVariable("VANTEL_PHOTO_DIR");
  if (folder.empty()) folder = HomeFolder() + "/.vantel";
  // Only the owner may reach it, as for a file of the user's own.
  if (!PathExists(folder)) mkdir(folder.c_str(), 0700);
  return folder + "/photo.jpg";
}

}  // namespace platform
