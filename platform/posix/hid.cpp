// HID devices through Linux hidraw: /dev/hidrawN, matched through the raw device info,
// report lengths from the report descriptor.
#include "platform/hid.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/hid_report_descriptor.h"

namespace platform {
namespace {

bool WaitFor(int fd, short events, std::uint32_t limitMs) {
  pollfd watch{fd, events, 0};
  int ready;
  do {
    ready = poll(&watch, 1, static_cast<int>(limitMs));
  } while (ready < 0 && errno == EINTR);
  return ready > 0 && (watch.revents & events);
}

class HidrawDevice : public HidDevice {
 public:
  explicit HidrawDevice(int fd) : fd_(fd) {
    hidraw_report_descriptor descriptor{};
    int size = 0;
    if (ioctl(fd_, HIDIOCGRDESCSIZE, &size) == 0 && size > 0 &&
        size <= HID_MAX_DESCRIPTOR_SIZE) {
      descriptor.size = static_cast<std::uint32_t>(size);
      if (ioctl(fd_, HIDIOCGRDESC, &descriptor) == 0) {
        summary_ = SummarizeReportDescriptor(descriptor.value, descriptor.size);
        haveSummary_ = true;
      }
    }
  }
  ~HidrawDevice() override { close(fd_); }

  // hidraw keeps a fixed queue of input reports in the kernel.
  bool SetInputBufferCount(std::uint32_t) override { return true; }

  bool Attributes(HidAttributes* attributes) override {
    hidraw_devinfo info{};
    if (ioctl(fd_, HIDIOCGRAWINFO, &info) != 0) return false;
    attributes->vendorId = static_cast<std::uint16_t>(info.vendor);
    attributes->productId = static_cast<std::uint16_t>(info.product);
    return true;
  }

  bool Capabilities(HidCapabilities* capabilities) override {
    if (!haveSummary_) return false;
    *capabilities = summary_.capabilities;
    return true;
  }

  bool SetOutputReport(const std::uint8_t* report, std::size_t length) override {
    std::vector<std::uint8_t> copy(report, report + length);
    return ioctl(fd_, HIDIOCSOUTPUT(length), copy.data()) >= 0;
  }

  bool GetInputReport(std::uint8_t* report, std::size_t length) override {
    // The report id to fetch goes in the first byte; the answer keeps it there.
    return ioctl(fd_, HIDIOCGINPUT(length), report) >= 0;
  }

  // write() takes the report id byte first, as WriteFile does.
  HidTransfer WriteReport(const std::uint8_t* report, std::size_t length,
                          std::uint32_t limitMs) override {
    if (!WaitFor(fd_, POLLOUT, limitMs)) return HidTransfer::kTimedOut;
    ssize_t wrote = write(fd_, report, length);
    return wrote == static_cast<ssize_t>(length) ? HidTransfer::kDone : HidTransfer::kFailed;
  }

  // read() leaves out the report id byte of unnumbered reports; ReadFile always gives it.
  HidTransfer ReadReport(std::uint8_t* report, std::size_t length,
                         std::uint32_t limitMs) override {
    if (length == 0) return HidTransfer::kFailed;
    if (!WaitFor(fd_, POLLIN, limitMs)) return HidTransfer::kTimedOut;
    const std::size_t skip = summary_.numberedReports ? 0 : 1;
    if (skip) report[0] = 0;
    ssize_t got = read(fd_, report + skip, length - skip);
    if (got < 0) return HidTransfer::kFailed;
    std::fill(report + skip + got, report + length, std::uint8_t{0});
    return HidTransfer::kDone;
  }

 private:
  int fd_;
  ReportDescriptorSummary summary_;
  bool haveSummary_ = false;
};

int OpenFlags(HidAccess access) {
  switch (access) {
    case HidAccess::kWrite: return O_WRONLY;
    case HidAccess::kRead: return O_RDONLY;
    case HidAccess::kQuery: break;
  }
  return O_RDWR;
}

class HidrawProvider : public HidProvider {
 public:
  std::vector<std::string> DevicePaths() override {
    std::vector<int> numbers;
    if (DIR* folder = opendir("/sys/class/hidraw")) {
      while (dirent* entry = readdir(folder)) {
        unsigned number = 0;
        if (std::sscanf(entry->d_name, "hidraw%u", &number) == 1)
          numbers.push_back(static_cast<int>(number));
      }
      closedir(folder);
    }
    std::sort(numbers.begin(), numbers.end());
    std::vector<std::string> paths;
    for (int number : numbers) paths.push_back("/dev/hidraw" + std::to_string(number));
    return paths;
  }

  std::unique_ptr<HidDevice> Open(const std::string& path, HidAccess access) override {
    int fd = open(path.c_str(), OpenFlags(access) | O_NONBLOCK | O_CLOEXEC);
    // A query needs no data access; read access alone is enough for the ioctls.
    if (fd < 0 && access == HidAccess::kQuery) fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<HidrawDevice>(fd);
  }
};

}  // namespace

HidProvider& SystemHidProvider() {
  static HidrawProvider provider;
  return provider;
}

}  // namespace platform
