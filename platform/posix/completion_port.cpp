#include "platform/completion_port.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <map>
#include <mutex>

namespace platform {
namespace {

// One socket's posted receive.
struct PortSocket {
  int fd;
  void* key;
  char* buffer = nullptr;
  std::size_t capacity = 0;
  bool posted = false;
};

class EpollCompletionPort : public CompletionPort {
 public:
  EpollCompletionPort(int epoll, int wake) : epoll_(epoll), wake_(wake) {}
  ~EpollCompletionPort() override {
    close(wake_);
    close(epoll_);
  }

  bool Associate(NativeSocket socket, void* key) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto added = sockets_.emplace(key, PortSocket{static_cast<int>(socket), key});
    if (!added.second) return false;
    // Registered disarmed: only a posted receive arms it.
    epoll_event event{};
    event.events = EPOLLONESHOT;
    event.data.ptr = &added.first->second;
    if (epoll_ctl(epoll_, EPOLL_CTL_ADD, static_cast<int>(socket), &event) == 0) return true;
    sockets_.erase(added.first);
    return false;
  }

  void PostReceive(void* key, char* buffer, std::size_t capacity) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = sockets_.find(key);
    if (found == sockets_.end()) return;
    PortSocket& socket = found->second;
    socket.buffer = buffer;
    socket.capacity = capacity;
    socket.posted = true;
    Arm(socket);
  }

  void Forget(void* key) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = sockets_.find(key);
    if (found == sockets_.end()) return;
    epoll_ctl(epoll_, EPOLL_CTL_DEL, found->second.fd, nullptr);
    sockets_.erase(found);
  }

  Completion Wait() override {
    for (;;) {
      epoll_event event{};
      const int ready = epoll_wait(epoll_, &event, 1, -1);
      if (ready < 0 && errno != EINTR) return {nullptr, 0};
      if (ready <= 0) continue;
      if (event.data.ptr == nullptr) {
        std::uint64_t count;
        if (read(wake_, &count, sizeof count) == sizeof count) return {nullptr, 0};
        continue;
      }
      Completion completion{};
      if (Receive(*static_cast<PortSocket*>(event.data.ptr), &completion)) return completion;
    }
  }

  void Wake() override {
    const std::uint64_t one = 1;
    while (write(wake_, &one, sizeof one) < 0 && errno == EINTR) {
    }
  }

 private:
  // One-shot: the socket reports once, then stays quiet until the next post.
  void Arm(PortSocket& socket) {
    epoll_event event{};
    event.events = EPOLLIN | EPOLLRDHUP | EPOLLONESHOT;
    event.data.ptr = &socket;
    epoll_ctl(epoll_, EPOLL_CTL_MOD, socket.fd, &event);
  }

  // The posted receive of a socket that reported ready; false when there was nothing to take
  // after all (it is armed again).
  bool Receive(PortSocket& socket, Completion* completion) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!socket.posted) return false;  // a hang-up reported before any receive was posted
    ssize_t got;
    do {
      got = recv(socket.fd, socket.buffer, socket.capacity, MSG_DONTWAIT);
    } while (got < 0 && errno == EINTR);
    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      Arm(socket);
      return false;
    }
    socket.posted = false;
    *completion = {socket.key, got > 0 ? static_cast<int>(got) : 0};
    return true;
  }

  int epoll_;
  int wake_;
  std::mutex mutex_;
  std::map<void*, PortSocket> sockets_;  // node-based: the entries' addresses stay put
};

}  // namespace

std::unique_ptr<CompletionPort> CompletionPort::Create() {
  const int epoll = epoll_create1(EPOLL_CLOEXEC);
  if (epoll < 0) return nullptr;
  const int wake = eventfd(0, EFD_CLOEXEC | EFD_SEMAPHORE);
  epoll_event event{};
  event.events = EPOLLIN;
  event.data.ptr = nullptr;
  if (wake < 0 || epoll_ctl(epoll, EPOLL_CTL_ADD, wake, &event) != 0) {
    if (wake >= 0) close(wake);
    close(epoll);
    return nullptr;
  }
  return std::make_unique<EpollCompletionPort>(epoll, wake);
}

}  // namespace platform
