#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace platform {
namespace {

std::string LockPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && *runtime) return std::string(runtime) + "/lumarin.lock";
  // /tmp is shared by every user: the user id keeps one user's lock from blocking another's.
  return "/tmp/lumarin-" + std::to_string(getuid()) + ".lock";
}

}  // namespace

bool ClaimSingleInstance(const std::string& /*title*/) {
  // The descriptor stays open for the process's life: the lock goes with the process.
  int lock = open(LockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lock < 0) return true;  // no place for a lock: nothing tells of another instance
  if (flock(lock, LOCK_EX | LOCK_NB) == 0) return true;
  close(lock);
  return false;
}

}  // namespace platform
