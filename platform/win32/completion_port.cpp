#include "platform/completion_port.h"

#include <winsock2.h>
#include <windows.h>

#include <map>
#include <mutex>

namespace platform {
namespace {

// One socket's overlapped receive: the system writes into it until the completion is taken.
struct PortSocket {
  SOCKET socket;
  OVERLAPPED overlapped;
  WSABUF buffer;
  bool pending;  // a receive is posted and its completion not yet taken
};

class IocpCompletionPort : public CompletionPort {
 public:
  explicit IocpCompletionPort(HANDLE port) : port_(port) {}
  ~IocpCompletionPort() override { CloseHandle(port_); }

  bool Associate(NativeSocket socket, void* key) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto added = sockets_.emplace(key, PortSocket{static_cast<SOCKET>(socket), {}, {}, false});
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
    PortSocket& socket = found->second;
    ZeroMemory(&socket.overlapped, sizeof socket.overlapped);
    socket.buffer.buf = buffer;
    socket.buffer.len = static_cast<ULONG>(capacity);
    socket.pending = true;
    DWORD flags = 0;
    if (WSARecv(socket.socket, &socket.buffer, 1, nullptr, &flags, &socket.overlapped,
                nullptr) == SOCKET_ERROR &&
        WSAGetLastError() != WSA_IO_PENDING) {
      // Nothing will complete: say so as a failed receive does.
      PostQueuedCompletionStatus(port_, 0, reinterpret_cast<ULONG_PTR>(key), &socket.overlapped);
    }
  }

  void Forget(void* key) override {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = sockets_.find(key);
    if (found == sockets_.end()) return;
    PortSocket& socket = found->second;
    if (socket.pending) {
      // The system writes into the overlapped state until the receive ends: end it first.
      CancelIoEx(reinterpret_cast<HANDLE>(socket.socket), &socket.overlapped);
      DWORD bytes = 0, flags = 0;
      WSAGetOverlappedResult(socket.socket, &socket.overlapped, &bytes, TRUE, &flags);
    }
    sockets_.erase(found);
  }

  Completion Wait() override {
    DWORD bytes = 0;
    ULONG_PTR key = 0;
    OVERLAPPED* overlapped = nullptr;
    // A failed receive (a reset connection) comes with its overlapped state and counts as 0.
    const BOOL done = GetQueuedCompletionStatus(port_, &bytes, &key, &overlapped, INFINITE);
    if (overlapped == nullptr) return {nullptr, 0};
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = sockets_.find(reinterpret_cast<void*>(key));
    if (found != sockets_.end()) found->second.pending = false;
    return {reinterpret_cast<void*>(key), done ? static_cast<int>(bytes) : 0};
  }

  void Wake() override { PostQueuedCompletionStatus(port_, 0, 0, nullptr); }

 private:
  HANDLE port_;
  std::mutex mutex_;
  std::map<void*, PortSocket> sockets_;  // node-based: the overlapped states stay put
};

}  // namespace

std::unique_ptr<CompletionPort> CompletionPort::Create() {
  HANDLE port = CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 0);
  if (port == nullptr) return nullptr;
  return std::make_unique<IocpCompletionPort>(port);
}

}  // namespace platform
