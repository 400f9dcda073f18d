#pragma once
// Receives and sends on many connected sockets through one waiting thread: each socket has at
// most one receive and one send posted at a time, and the thread takes whichever completes
// next. (An I/O completion port on Windows; on Linux epoll, armed one-shot for what is posted,
// with an eventfd to wake.)
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// A socket as the system names it: SOCKET on Windows, a file descriptor elsewhere. On Windows
// it must have been created for overlapped I/O (WSA_FLAG_OVERLAPPED, as socket() does).
using NativeSocket = std::intptr_t;

class CompletionPort {
 public:
  struct Completion {
    void* key;  // the key of the socket whose receive or send completed; null for a wake
    int bytes;  // bytes received or sent; 0 when the peer closed or the operation failed
    bool sent;  // a send completed, not a receive
  };
  // A wait without limit.
  static constexpr std::uint32_t kNoTimeLimit = 0xFFFFFFFFu;

  // Null when the system refuses one.
  static std::unique_ptr<CompletionPort> Create();
  // Sockets stay open: they belong to the caller.
  virtual ~CompletionPort() = default;

  // Ties a connected socket to the port; its completions carry `key` (one socket per key).
  virtual bool Associate(NativeSocket socket, void* key) = 0;
  // Posts one receive of at most `capacity` bytes into `buffer` on the socket of `key`. Its
  // completion comes out of Wait; until then the buffer must stay valid. A receive that cannot
  // even start completes at once with 0 bytes.
  virtual void PostReceive(void* key, char* buffer, std::size_t capacity) = 0;
  // Posts one send of at most `length` bytes (at least one) from `data` on the socket of
  // `key`: it completes once the system has taken some of them (on Windows all), with their
  // count, never waiting for the peer to make room. The bytes must stay valid until then.
  virtual void PostSend(void* key, const char* data, std::size_t length) = 0;
  // Forgets the socket of `key`, before it is closed; what is still posted on it is cancelled,
  // and returns once the system no longer touches its buffers. Call it on the waiting thread,
  // or once no thread waits; no completion for the key comes out of Wait after it.
  virtual void Forget(void* key) = 0;
  // Waits up to `waitMs` (kNoTimeLimit: without limit) for the next completion or wake; a
  // wait that runs out returns as a wake does.
  virtual Completion Wait(std::uint32_t waitMs) = 0;
  // Makes one Wait return {nullptr, 0, false}.
  virtual void Wake() = 0;
};

}  // namespace platform
