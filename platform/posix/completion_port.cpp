#include "platform/completion_port.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>

namespace platform {
namespace {

// One socket's posted receive and send.
struct PortSocket {
  int fd;
  void* key;
  char* receive_buffer = nullptr;
  std::size_t receive_capacity = 0;
  bool receive_posted = false;
  const char* send_data = nullptr;
  std::size_t send_length = 0;
  bool send_posted = false;
};

// What a readiness report lets a posted receive or send find out.
constexpr std::uint32_t kReceivable = EPOLLIN | EPOLLRDHUP | EPOLLHUP | EPOLLERR;
constexpr std::uint32_t kSendable = EPOLLOUT | EPOLLHUP | EPOLLERR;

bool WouldWait(ssize_t result) { return result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK); }

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
    // Registered disarmed: only a posted receive or send arms it.
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
    socket.receive_buffer = buffer;
    socket.receive_capacity = capacity;
    socket.receive_posted = true;
    Arm(socket);
  }

  void PostSend(void* key, const char* data, std::size_t length) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = sockets_.find(key);
    if (found == sockets_.end()) return;
    PortSocket& socket = found->second;
    socket.send_data = data;
    socket.send_length = length;
    socket.send_posted = true;
    Arm(socket);
  }

  void Forget(void* key) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = sockets_.find(key);
    if (found == sockets_.end()) return;
    epoll_ctl(epoll_, EPOLL_CTL_DEL, found->second.fd, nullptr);
    sockets_.erase(found);
  }

  Completion Wait(std::uint32_t waitMs) override {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
      int timeout = -1;
      if (waitMs != kNoTimeLimit) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        timeout = left.count() > 0 ? static_cast<int>(left.count()) : 0;
      }
      epoll_event event{};
      const int ready = epoll_wait(epoll_, &event, 1, timeout);
      if (ready < 0 && errno == EINTR) continue;
      if (ready <= 0) return {nullptr, 0, false};
      if (event.data.ptr == nullptr) {
        std::uint64_t count;
        if (read(wake_, &count, sizeof count) == sizeof count) return {nullptr, 0, false};
        continue;
      }
      Completion completion{};
      if (Complete(*static_cast<PortSocket*>(event.data.ptr), event.events, &completion))
        return completion;
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
    event.events = EPOLLONESHOT | (socket.receive_posted ? EPOLLIN | EPOLLRDHUP : 0u) |
                   (socket.send_posted ? EPOLLOUT : 0u);
    event.data.ptr = &socket;
    epoll_ctl(epoll_, EPOLL_CTL_MOD, socket.fd, &event);
  }

  // The posted receive or send of a socket that reported `events`; false when neither could
  // complete after all. What is still posted is armed again.
  bool Complete(PortSocket& socket, std::uint32_t events, Completion* completion) {
    std::lock_guard<std::mutex> lock(mutex_);
    bool done = false;
    if (socket.receive_posted && (events & kReceivable) != 0) done = Receive(socket, completion);
    if (!done && socket.send_posted && (events & kSendable) != 0) done = Send(socket, completion);
    // A hang-up reported while nothing is posted is not armed again: it would repeat at once.
    if (socket.receive_posted || socket.send_posted) Arm(socket);
    return done;
  }

  bool Receive(PortSocket& socket, Completion* completion) {
    ssize_t got;
    do {
      got = recv(socket.fd, socket.receive_buffer, socket.receive_capacity, MSG_DONTWAIT);
    } while (got < 0 && errno == EINTR);
    if (WouldWait(got)) return false;
    socket.receive_posted = false;
    *completion = {socket.key, got > 0 ? static_cast<int>(got) : 0, false};
    return true;
  }

  // A peer gone away gives an error, not a signal that ends the program.
  bool Send(PortSocket& socket, Completion* completion) {
    ssize_t sent;
    do {
      sent = send(socket.fd, socket.send_data, socket.send_length, MSG_DONTWAIT | MSG_NOSIGNAL);
    } while (sent < 0 && errno == EINTR);
    if (WouldWait(sent)) return false;
    socket.send_posted = false;
    *completion = {socket.key, sent > 0 ? static_cast<int>(sent) : 0, true};
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
