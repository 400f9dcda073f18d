#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/files.h"

namespace platform {
namespace {

bool BaudConstant(int baud, speed_t* speed) {
  switch (baud) {
    case 1200: *speed = B1200; return true;
    case 2400: *speed = B2400; return true;
    case 4800: *speed = B4800; return true;
    case 9600: *speed = B9600; return true;
    case 19200: *speed = B19200; return true;
    case 38400: *speed = B38400; return true;
    case 57600: *speed = B57600; return true;
    case 115200: *speed = B115200; return true;
    case 230400: *speed = B230400; return true;
    case 460800: *speed = B460800; return true;
    case 921600: *speed = B921600; return true;
    default: return false;
  }
}

bool BaudFromConstant(speed_t speed, int* baud) {
  for (int candidate : {1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800,
                        921600}) {
    speed_t constant;
    if (BaudConstant(candidate, &constant) && constant == speed) {
      *baud = candidate;
      return true;
    }
  }
  return false;
}

// Milliseconds left until `deadline` on the tick clock (0 when it has passed).
int MsUntil(std::uint32_t deadline) {
  auto left = static_cast<std::int32_t>(deadline - TickCountMs());
  return left > 0 ? left : 0;
}

enum class Readiness { kReadable, kTimedOut, kHungUp };

// Waits until `fd` has something to read or `ms` have passed. An unplugged adapter hangs
// up: its tty stays readable for ever with nothing to read.
Readiness WaitReadable(int fd, int ms) {
  pollfd watch{fd, POLLIN, 0};
  int ready;
  do {
    ready = poll(&watch, 1, ms);
  } while (ready < 0 && errno == EINTR);
  if (ready > 0 && (watch.revents & (POLLHUP | POLLERR))) return Readiness::kHungUp;
  return ready > 0 && (watch.revents & POLLIN) ? Readiness::kReadable : Readiness::kTimedOut;
}

// A termios port that keeps the Windows read and write timeout rules.
class PosixSerialPort : public SerialPort {
 public:
  explicit PosixSerialPort(int fd) : fd_(fd) {}
  // Exclusive mode outlives the descriptor on some drivers (pseudo-terminals among them):
  // the port would then refuse the next open of anyone without CAP_SYS_ADMIN.
  ~PosixSerialPort() override {
    ioctl(fd_, TIOCNXCL);
    close(fd_);
  }

  bool Write(const std::uint8_t* data, std::size_t length, std::size_t* done) override {
    *done = 0;
    std::uint32_t deadline = TickCountMs() + timeouts_.writeTotalConstant +
                             timeouts_.writeTotalMultiplier * static_cast<std::uint32_t>(length);
    while (*done < length) {
      ssize_t wrote = write(fd_, data + *done, length - *done);
      if (wrote > 0) {
        *done += static_cast<std::size_t>(wrote);
        continue;
      }
      if (wrote < 0 && errno != EAGAIN && errno != EINTR) return false;
      if (MsUntil(deadline) == 0) return true;
      pollfd watch{fd_, POLLOUT, 0};
      poll(&watch, 1, MsUntil(deadline));
    }
    return true;
  }

  // Windows rules: the read ends when the buffer is full, when the total time is over,
  // or when the gap after a received byte exceeds the interval.
  bool Read(std::uint8_t* buffer, std::size_t capacity, std::size_t* done) override {
    *done = 0;
    std::uint32_t total = timeouts_.readTotalConstant +
                          timeouts_.readTotalMultiplier * static_cast<std::uint32_t>(capacity);
    std::uint32_t deadline = TickCountMs() + total;
    while (*done < capacity) {
      ssize_t got = read(fd_, buffer + *done, capacity - *done);
      if (got > 0) {
        *done += static_cast<std::size_t>(got);
        continue;
      }
      // Raw mode reads 0 when nothing waits; a hung-up line shows in the wait below.
      if (got < 0 && errno != EAGAIN && errno != EINTR) return *done > 0;
      int wait = total ? MsUntil(deadline) : -1;
      if (*done > 0 && timeouts_.readInterval &&
          (wait < 0 || wait > static_cast<int>(timeouts_.readInterval)))
        wait = static_cast<int>(timeouts_.readInterval);
      if (wait == 0) return true;
      const Readiness ready = WaitReadable(fd_, wait);
      if (ready == Readiness::kHungUp) return false;
      if (ready == Readiness::kTimedOut) return true;
    }
    return true;
  }

  bool SetTimeouts(const SerialTimeouts& timeouts) override {
    timeouts_ = timeouts;
    return true;
  }

  bool Configure(int baud) override {
    speed_t speed;
    termios settings;
    if (!BaudConstant(baud, &speed) || tcgetattr(fd_, &settings) != 0) return false;
    cfmakeraw(&settings);
    // No software flow control or parity checking either: cfmakeraw leaves these, and the
    // XON and XOFF bytes of a frame would stall the line.
    settings.c_iflag &= ~(IXOFF | IXANY | INPCK);
    settings.c_cflag &= ~(PARENB | CSTOPB | CSIZE | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (cfsetispeed(&settings, speed) != 0 || cfsetospeed(&settings, speed) != 0) return false;
    return tcsetattr(fd_, TCSANOW, &settings) == 0;
  }

  // A port another program left at a rate outside the table reads as 0: the probe then
  // sets a rate of its own.
  bool CurrentBaud(int* baud) override {
    termios settings;
    if (tcgetattr(fd_, &settings) != 0) return false;
    if (!BaudFromConstant(cfgetospeed(&settings), baud)) *baud = 0;
    return true;
  }

  // The kernel sizes its own queues.
  bool SetupQueues(std::uint32_t, std::uint32_t) override { return true; }

  bool PurgeReceive() override { return tcflush(fd_, TCIFLUSH) == 0; }

  bool QueuedCount(std::uint32_t* count) override {
    int queued = 0;
    if (ioctl(fd_, FIONREAD, &queued) != 0) return false;
    *count = static_cast<std::uint32_t>(queued);
    return true;
  }

 private:
  int fd_;
  SerialTimeouts timeouts_;
};

}  // namespace

std::string SerialDevicePath(int portNumber) {
  const std::string name = "/com" + std::to_string(portNumber);
  std::string folder = EnvironmentVariable("VANTEL_SERIAL_DIR");
  if (!folder.empty()) return folder + name;
  std::string link = EnvironmentVariable("HOME") + "/.vantel/serial" + name;
  if (PathExists(link)) return link;
  return "/dev/ttyS" + std::to_string(portNumber - 1);
}

std::unique_ptr<SerialPort> SerialPort::Open(int portNumber) {
  if (portNumber < 1) return nullptr;
  int fd = open(SerialDevicePath(portNumber).c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  // No sharing, as CreateFileA with share mode 0: a second open of the port fails.
  if (!isatty(fd) || ioctl(fd, TIOCEXCL) != 0) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<PosixSerialPort>(fd);
}

}  // namespace platform
