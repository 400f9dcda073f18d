#pragma once
// What every listener of the service keeps to, whatever its peers do: it serves a bounded
// number of connections at once, and a failed accept does not make it spin.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace lumarin {

// The connections one listener serves at once. An HTTP connection holds a thread (512 KiB of
// stack reserved on Windows) and, while it answers, 1 MiB of answer buffers: 128 on each
// HTTP listener take under 1 GiB even when all are busy at once (a WebSocket connection
// takes less), inside the 2 GiB of the 32-bit program beside the reader library's needs.
// A browser opens six connections to one host, so no page comes near it.
constexpr std::size_t kMaxOpenConnections = 128;

// How long a listener waits after a failed accept (out of descriptors, or a peer that reset
// its queued connection) before it tries again; the failure repeats at once otherwise.
constexpr std::uint32_t kFailedAcceptPauseMs = 100;

// Counts one listener's open connections against kMaxOpenConnections. Shared with the
// connections it counts, so that it lives as long as the last of them.
class ConnectionCap {
 public:
  // Whether one more connection may be served. When not, the service log says that it was
  // refused, and the caller closes it at once. Asked by the listener's accept thread alone,
  // which alone adds places.
  bool AdmitsOneMore() const;

  // Held by each connection served, for as long as it is.
  class Place {
   public:
    explicit Place(std::shared_ptr<ConnectionCap> cap);
    ~Place();
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;

   private:
    std::shared_ptr<ConnectionCap> cap_;
  };

 private:
  std::atomic<std::size_t> open_{0};
};

}  // namespace lumarin
