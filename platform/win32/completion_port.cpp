#include "platform/completion_port.h"

#include <winsock2.h>
#include <windows.h>

#include <map>
#include <memory>
#include <mutex>

namespace platform {
namespace {

// How long a cancelled operation may take to end.
constexpr DWORD kCancelWaitMs = 100;

// One overlapped operation: the system writes into its state until its completion is taken.
struct Operation {
  OVERLAPPED overlapped;
  WSABUF buffer;
  bool pending;  // posted, its completion not yet taken from the port
};

struct PortSocket {
  SOCKET socket;
  Operation receive;
  Operation send;
};

class IocpCompletionPort : public CompletionPort {
 public:
  explicit IocpCompletionPort(HANDLE port) : port_(port) {}
  ~IocpCompletionPort() override { CloseHandle(port_); }

  bool Associate(NativeSocket socket, void* key) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto entry = std::make_shared<PortSocket>(PortSocket{static_cast<SOCKET>(socket), {}, {}});
    auto added = sockets_.emplace(key, entry);
    if (!added.second) return false;
    if (CreateIoCompletionPort(reinterpret_cast<HANDLE>(socket), port_,
                               reinterpret_cast<ULONG_PTR>(key), 0) == port_) {
      return true;
    }
    sockets_.erase(added.first);
    return false;
  }

  void PostReceive(void* key, char* buffer, std::size_t capacity) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = sockets_.find(key);
    if (found == sockets_.end()) return;
    PortSocket& socket = *found->second;
    Operation& receive = Prepare(socket.receive, buffer, capacity);
    DWORD flags = 0;
    if (WSARecv(socket.socket, &receive.buffer, 1, nullptr, &flags, &receive.overlapped,
                nullptr) == SOCKET_ERROR) {
      CompleteIfNotStarted(key, receive);
    }
  }

  void PostSend(void* key, const char* data, std::size_t length) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = sockets_.find(key);
    if (found == sockets_.end()) return;
    PortSocket& socket = *found->second;
    Operation& send = Prepare(socket.send, const_cast<char*>(data), length);
    if (WSASend(socket.socket, &send.buffer, 1, nullptr, 0, &send.overlapped, nullptr) ==
        SOCKET_ERROR) {
      CompleteIfNotStarted(key, send);
    }
  }

  void Forget(void* key) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = sockets_.find(key);
    if (found == sockets_.end()) return;
    const std::shared_ptr<PortSocket> socket = found->second;
    sockets_.erase(found);
    for (Operation* operation : {&socket->receive, &socket->send}) {
      if (!operation->pending) continue;
      // The system uses the buffers until the operation ends: end it first. Under wine an
      // operation whose thread has ended never does (the system no longer touches it either):
      // the wait for it is bounded.
      CancelIoEx(reinterpret_cast<HANDLE>(socket->socket), &operation->overlapped);
      const DWORD start = GetTickCount();
      while (!HasOverlappedIoCompleted(&operation->overlapped) &&
             GetTickCount() - start < kCancelWaitMs) {
        Sleep(1);
      }
      // Its completion still comes to the port, and is passed over there.
      retired_.emplace(&operation->overlapped, socket);
    }
  }

  Completion Wait(std::uint32_t waitMs) override {
    const DWORD start = GetTickCount();
    for (;;) {
      DWORD left = INFINITE;
      if (waitMs != kNoTimeLimit) {
        const DWORD spent = GetTickCount() - start;
        left = spent < waitMs ? waitMs - spent : 0;
      }
      DWORD bytes = 0;
      ULONG_PTR key = 0;
      OVERLAPPED* overlapped = nullptr;
      // A failed operation (a reset connection) comes with its overlapped state and counts as 0.
      const BOOL done = GetQueuedCompletionStatus(port_, &bytes, &key, &overlapped, left);
      if (overlapped == nullptr) return {nullptr, 0, false};
      std::lock_guard<std::mutex> lock(mutex_);
      if (retired_.erase(overlapped) != 0) continue;
      auto found = sockets_.find(reinterpret_cast<void*>(key));
      if (found == sockets_.end()) continue;
      PortSocket& socket = *found->second;
      const bool sent = overlapped == &socket.send.overlapped;
      (sent ? socket.send : socket.receive).pending = false;
      return {reinterpret_cast<void*>(key), done ? static_cast<int>(bytes) : 0, sent};
    }
  }

  void Wake() override { PostQueuedCompletionStatus(port_, 0, 0, nullptr); }

 private:
  static Operation& Prepare(Operation& operation, char* buffer, std::size_t length) {
    ZeroMemory(&operation.overlapped, sizeof operation.overlapped);
    operation.buffer.buf = buffer;
    operation.buffer.len = static_cast<ULONG>(length);
    operation.pending = true;
    return operation;
  }

  // Nothing will complete an operation that did not start: say so as a failed one does.
  void CompleteIfNotStarted(void* key, Operation& operation) {
    if (WSAGetLastError() == WSA_IO_PENDING) return;
    PostQueuedCompletionStatus(port_, 0, reinterpret_cast<ULONG_PTR>(key), &operation.overlapped);
  }

  HANDLE port_;
  std::mutex mutex_;
  std::map<void*, std::shared_ptr<PortSocket>> sockets_;
  // Operations of forgotten sockets whose completions are still to be taken from the port.
  std::map<const OVERLAPPED*, std::shared_ptr<PortSocket>> retired_;
};

}  // namespace

std::unique_ptr<CompletionPort> CompletionPort::Create() {
  HANDLE port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 0);
  if (port == nullptr) return nullptr;
  return std::make_unique<IocpCompletionPort>(port);
}

}  // namespace platform
