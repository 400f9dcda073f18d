#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/serial_port.h"
#include "support/serial_line_settings.h"

namespace vantel_test {
namespace {

constexpr tcflag_t kInputFlow = IXON | IXOFF | IXANY | INPCK;

// Runs `use` on the line's termios through a descriptor of its own.
template <typename Use>
bool WithLine(int portNumber, Use use) {
  const int fd = open(platform::SerialDevicePath(portNumber).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return false;
  const bool done = use(fd);
  close(fd);
  return done;
}

}  // namespace

bool LeaveLineWithForeignSettings(int portNumber) {
  return WithLine(portNumber, [](int fd) {
    termios settings;
    if (tcgetattr(fd, &settings) != 0) return false;
    settings.c_iflag |= kInputFlow;
    settings.c_cflag |= CRTSCTS;
    return cfsetispeed(&settings, B300) == 0 && cfsetospeed(&settings, B300) == 0 &&
           tcsetattr(fd, TCSANOW, &settings) == 0;
  });
}

bool LineHasFlowControl(int portNumber) {
  return WithLine(portNumber, [](int fd) {
    termios settings;
    return tcgetattr(fd, &settings) == 0 &&
           ((settings.c_iflag & kInputFlow) || (settings.c_cflag & CRTSCTS));
  });
}

bool LineHasFlowCharactersAlike(int) { return false; }

bool LineLeftExclusive(int portNumber) {
  return WithLine(portNumber, [](int fd) {
    int exclusive = 0;
    return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
  });
}

}  // namespace vantel_test
#endif
