#if defined(_WIN32)
// Under wine, scripts/test-windows joins COM n to the other end of a pseudo-terminal pair and
// names that end "peer<n>" in the folder VANTEL_TEST_SERIAL_PEER_DIR (a Windows path, through
// wine's Z: drive). A Windows program cannot make a pseudo-terminal itself.
#include <windows.h>

#include <string>

#include "support/serial_peer.h"

namespace vantel_test {
namespace {

HANDLE OpenLine(const std::string& path) {
  return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Drops whatever an earlier test left in the line on either side.
void PurgeBothEnds(HANDLE peer, int portNumber) {
  const DWORD everything = PURGE_RXCLEAR | PURGE_TXCLEAR;
  PurgeComm(peer, everything);
  HANDLE port = OpenLine("\\\\.\\COM" + std::to_string(portNumber));
  if (port == INVALID_HANDLE_VALUE) return;
  PurgeComm(port, everything);
  CloseHandle(port);
}

class PeerLine : public SerialPeer {
 public:
  PeerLine(HANDLE handle, int portNumber) : handle_(handle), portNumber_(portNumber) {}
  ~PeerLine() override { CloseHandle(handle_); }

  bool Send(const std::vector<std::uint8_t>& bytes) override {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      DWORD wrote = 0;
      if (!WriteFile(handle_, bytes.data() + sent, static_cast<DWORD>(bytes.size() - sent),
                     &wrote, nullptr) ||
          wrote == 0)
        return false;
      sent += wrote;
    }
    return true;
  }

  // One read that ends when `atMost` bytes came or `waitMs` passed.
  std::vector<std::uint8_t> Receive(std::size_t atMost, int waitMs) override {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(waitMs);
    std::vector<std::uint8_t> got(atMost);
    DWORD length = 0;
    if (atMost == 0 || !SetCommTimeouts(handle_, &timeouts) ||
        !ReadFile(handle_, got.data(), static_cast<DWORD>(atMost), &length, nullptr))
      length = 0;
    got.resize(length);
    return got;
  }

  // COM ports open exclusively: a port the library holds cannot be opened again.
  bool IsHeldOpen() override {
    HANDLE port = OpenLine("\\\\.\\COM" + std::to_string(portNumber_));
    if (port == INVALID_HANDLE_VALUE) return true;
    CloseHandle(port);
    return false;
  }

 private:
  HANDLE handle_;
  int portNumber_;
};

}  // namespace

std::unique_ptr<SerialPeer> SerialPeer::Attach(int portNumber) {
  char folder[MAX_PATH];
  DWORD length = GetEnvironmentVariableA("VANTEL_TEST_SERIAL_PEER_DIR", folder, sizeof folder);
  if (length == 0 || length >= sizeof folder) return nullptr;
  HANDLE peer = OpenLine(std::string(folder, length) + "\\peer" + std::to_string(portNumber));
  if (peer == INVALID_HANDLE_VALUE) return nullptr;
  PurgeBothEnds(peer, portNumber);
  return std::make_unique<PeerLine>(peer, portNumber);
}

}  // namespace vantel_test
#endif
