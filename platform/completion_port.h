#pragma once
// Receives on many connected sockets through one waiting thread: each socket has at most one
// receive posted at a time, and the thread takes whichever completes next. (An I/O completion
// port on Windows; on Linux epoll, armed one-shot per posted receive, with an eventfd to wake.)
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
    void* key;  // the key of the socket whose receive completed; null for a wake
    int bytes;  // bytes received; 0 when the peer closed or the receive failed
  };

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
  // Forgets the socket of `key`, before it is closed; a receive still posted is cancelled.
  // Call it on the waiting thread, or once no thread waits: a completion queued before for
  // the key must not be taken after.
  virtual void Forget(void* key) = 0;
  // Waits without limit for the next completed receive or wake.
  virtual Completion Wait() = 0;
  // Makes one Wait return {nullptr, 0}.
  virtual void Wake() = 0;
};

}  // namespace platform
