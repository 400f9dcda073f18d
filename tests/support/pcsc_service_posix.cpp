#if !defined(_WIN32)
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <winscard.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "support/local_socket.h"
#include "support/pcsc_service.h"

namespace vantel_test {
namespace {

// pcscd's own name of the known reader's first slot.
constexpr const char* kKnownReaderNativeName = "Kestor Passport Reader 00 00";
constexpr const char* kVpcdDriver = "/usr/lib/pcsc/drivers/serial/libifdvpcd.so";
constexpr std::uint32_t kStartLimitMs = 10000;

// The reader configuration entry of a vpcd reader whose card connects on `port`.
std::string ReaderEntry(const std::string& friendlyName, int port, const std::string& driver) {
  return "FRIENDLYNAME \"" + friendlyName + "\"\nDEVICENAME /dev/null:" + std::to_string(port) +
         "\nLIBPATH " + driver + "\nCHANNELID " + std::to_string(port) + "\n\n";
}

// pcscd always makes its socket in /run/pcscd. In a private mount namespace an own folder
// takes the place of /run, so the socket lands there and a system pcscd is never touched.
// Unprivileged users get the namespace inside a user namespace of their own.
const std::vector<std::vector<std::string>> kNamespaceCommands = {
    {"unshare", "--mount"}, {"unshare", "--user", "--map-root-user", "--mount"}};

class PcscdProcess {
 public:
  PcscdProcess() {
    char folderTemplate[] = "/tmp/vantel-pcscd-XXXXXX";
    if (!mkdtemp(folderTemplate)) {
      service_.failure = "no temporary folder";
      return;
    }
    folder_ = folderTemplate;
    if (access(kVpcdDriver, R_OK) != 0) {
      service_.failure = "the vpcd driver is not installed (package vsmartcard-vpcd)";
      return;
    }
    // Each vpcd reader takes two ports, one per slot.
    const int firstPort = FreePortRun(4);
    service_.knownReaderCardPort = firstPort;
    service_.unknownReaderCardPort = firstPort + 2;
    if (!firstPort) {
      service_.failure = "no free TCP ports";
      return;
    }
    // vpcd keeps its slots in globals: a second reader needs a second copy of the driver.
    const std::filesystem::path driverCopy = folder_ / "libifdvpcd.so";
    std::error_code copyFailure;
    std::filesystem::copy_file(kVpcdDriver, driverCopy, copyFailure);
    if (copyFailure) {
      service_.failure = "cannot copy the vpcd driver";
      return;
    }
    std::ofstream(folder_ / "reader.conf")
        << ReaderEntry("Kestor Passport Reader", service_.knownReaderCardPort, kVpcdDriver)
        << ReaderEntry("Acme Card Reader", service_.unknownReaderCardPort, driverCopy.string());
    std::filesystem::create_directory(folder_ / "run");
    setenv("PCSCLITE_CSOCK_NAME", Socket().c_str(), 1);
    for (const auto& command : kNamespaceCommands) {
      if (Launch(command) && WaitForSocket(Socket())) {
        namespaceCommand_ = &command;
        return;
      }
      Stop();
    }
    service_.failure = "pcscd did not start; see " + (folder_ / "pcscd.log").string();
  }

  ~PcscdProcess() {
    Stop();
    std::error_code ignored;
    if (!folder_.empty() && service_.failure.empty())
      std::filesystem::remove_all(folder_, ignored);
  }

  const PcscService& Service() const { return service_; }

  bool Restart() {
    if (!namespaceCommand_) return false;
    Stop();
    std::error_code ignored;
    std::filesystem::remove(Socket(), ignored);
    return Launch(*namespaceCommand_) && WaitForSocket(Socket());
  }

 private:
  std::filesystem::path Socket() const { return folder_ / "run" / "pcscd" / "pcscd.comm"; }

  bool Launch(const std::vector<std::string>& namespaceCommand) {
    const std::string script = "mount --bind \"$0\" /run && exec pcscd -f -c \"$1\" >\"$2\" 2>&1";
    const std::string run = (folder_ / "run").string();
    const std::string config = (folder_ / "reader.conf").string();
    const std::string log = (folder_ / "pcscd.log").string();
    std::vector<const char*> arguments;
    for (const std::string& word : namespaceCommand) arguments.push_back(word.c_str());
    for (const char* argument : {"sh", "-c", script.c_str(), run.c_str(), config.c_str(),
                                 log.c_str()})
      arguments.push_back(argument);
    arguments.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
      execvp(arguments[0], const_cast<char* const*>(arguments.data()));
      _exit(127);
    }
    return pid_ > 0;
  }

  bool WaitForSocket(const std::filesystem::path& socket) {
    const std::uint32_t start = platform::TickCountMs();
    while (platform::TickCountMs() - start < kStartLimitMs) {
      if (std::filesystem::exists(socket)) return true;
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        return false;
      }
      platform::SleepMs(50);
    }
    return false;
  }

  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

  std::filesystem::path folder_;
  PcscService service_;
  const std::vector<std::string>* namespaceCommand_ = nullptr;
  pid_t pid_ = 0;
};

PcscdProcess& Process() {
  static PcscdProcess process;
  return process;
}

}  // namespace

const PcscService& StartPcscService() { return Process().Service(); }

bool RestartPcscService() { return Process().Restart(); }

// Through a connection of its own, which resets the card as it goes.
bool ResetCardFromOutside() {
  SCARDCONTEXT context = 0;
  if (SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) != SCARD_S_SUCCESS)
    return false;
  SCARDHANDLE card = 0;
  DWORD protocol = 0;
  const bool reset =
      SCardConnect(context, kKnownReaderNativeName, SCARD_SHARE_SHARED,
                   SCARD_PROTOCOL_T0 | SCARD_PROTOCOL_T1, &card, &protocol) == SCARD_S_SUCCESS &&
      SCardDisconnect(card, SCARD_RESET_CARD) == SCARD_S_SUCCESS;
  SCardReleaseContext(context);
  return reset;
}

}  // namespace vantel_test
#endif
