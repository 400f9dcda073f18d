#if !defined(_WIN32)
#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "support/serial_peer.h"

namespace vantel_test {
namespace {

// The master side of a pseudo-terminal whose slave the library finds as "com<n>" in the
// folder named by VANTEL_SERIAL_DIR.
class PtySerialPeer : public SerialPeer {
 public:
  PtySerialPeer(int master, std::filesystem::path link) : master_(master), link_(std::move(link)) {}
  ~PtySerialPeer() override {
    std::error_code ignored;
    std::filesystem::remove(link_, ignored);
    close(master_);
  }

  bool Send(const std::vector<std::uint8_t>& bytes) override {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      ssize_t wrote = write(master_, bytes.data() + sent, bytes.size() - sent);
      if (wrote <= 0) return false;
      sent += static_cast<std::size_t>(wrote);
    }
    return true;
  }

  std::vector<std::uint8_t> Receive(std::size_t atMost, int waitMs) override {
    std::vector<std::uint8_t> got;
    std::uint8_t buffer[4096];
    while (got.size() < atMost) {
      pollfd watch{master_, POLLIN, 0};
      if (poll(&watch, 1, waitMs) <= 0 || !(watch.revents & POLLIN)) break;
      std::size_t want = atMost - got.size();
      ssize_t n = read(master_, buffer, want < sizeof buffer ? want : sizeof buffer);
      if (n <= 0) break;
      got.insert(got.end(), buffer, buffer + n);
    }
    return got;
  }

  // With no descriptor of the slave open, the master reports a hang-up.
  bool IsHeldOpen() override {
    pollfd watch{master_, POLLIN, 0};
    return poll(&watch, 1, 0) >= 0 && !(watch.revents & POLLHUP);
  }

 private:
  int master_;
  std::filesystem::path link_;
};

// The folder of the program's serial links, made on first use and removed when the program
// ends (test runs would otherwise leave one behind per test process).
class OwnSerialFolder {
 public:
  OwnSerialFolder()
      : path_(std::filesystem::temp_directory_path() / ("vantel-serial-" + std::to_string(getpid()))) {
    std::filesystem::create_directories(path_);
    setenv("VANTEL_SERIAL_DIR", path_.c_str(), 1);
  }
  ~OwnSerialFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::filesystem::path SerialFolder() {
  const char* set = getenv("VANTEL_SERIAL_DIR");
  static bool ours = !(set && *set);
  if (!ours) return set;
  static OwnSerialFolder folder;
  return folder.path();
}

}  // namespace

std::unique_ptr<SerialPeer> SerialPeer::Attach(int portNumber) {
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return nullptr;
  if (grantpt(master) != 0 || unlockpt(master) != 0 || !ptsname(master)) {
    close(master);
    return nullptr;
  }
  std::filesystem::path link = SerialFolder() / ("com" + std::to_string(portNumber));
  std::error_code ignored;
  std::filesystem::remove(link, ignored);
  std::filesystem::create_symlink(ptsname(master), link, ignored);
  if (ignored) {
    close(master);
    return nullptr;
  }
  return std::make_unique<PtySerialPeer>(master, link);
}

}  // namespace vantel_test
#endif
