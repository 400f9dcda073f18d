#pragma once
// What every listener of the service keeps to, whatever its peers do: it serves a bounded
// number of connections at once, a full listener makes room by cutting off the connection
// that has waited longest for a request, and a failed accept does not make it spin.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace lumarin {

// The connections one listener serves at once. An HTTP connection holds a thread (512 KiB of
// stack reserved on Windows) and, while it answers, about 512 KiB of answer buffer: 128 on
// each HTTP listener take under 1 GiB even when all are busy at once (a WebSocket connection
// takes less), inside the 2 GiB of the 32-bit program beside the reader library's needs.
// A browser opens six connections to one host, so no page comes near it.
constexpr std::size_t kMaxOpenConnections = 128;

// Connections cut off to make room whose threads have not ended yet: past this many a new
// connection is refused, so that the threads stay bounded too.
constexpr std::size_t kMaxLeavingConnections = 32;

// A connection is not cut off within this time of its accept: a new peer has that long to
// send its request (and, on HTTPS, its handshake), however fast others connect again as
// they are cut off. A full listener holds a new connection until a place can be had so.
constexpr std::int64_t kNewConnectionGraceMs = 500;

// How long a listener waits after a failed accept (out of descriptors, or a peer that reset
// its queued connection) before it tries again; the failure repeats at once otherwise.
constexpr std::uint32_t kFailedAcceptPauseMs = 100;

// Counts one listener's open connections against kMaxOpenConnections. Shared with the
// connections it counts, so that it lives as long as the last of them.
class ConnectionCap {
 public:
  class Place;

  // Whether one more connection may be served. With every place taken, one connection that
  // waits for a request and was accepted kNewConnectionGraceMs ago or more is cut off to
  // make room: of those that have sent nothing since they were accepted or last answered,
  // the one that has waited longest; when every one has sent part of a request (or
  // handshake), the one whose last bytes came longest ago. One being answered never is.
  // Waits (up to kNewConnectionGraceMs) while a place may become free or cuttable; when
  // every one is being answered, the service log says that the new one was refused, and the
  // caller closes it at once. False at once when `stop` is set, and Wake ends the wait.
  // Asked by the listener's accept thread alone, which alone adds places.
  bool MakeRoom(const std::atomic<bool>& stop);
  // Ends a MakeRoom wait so that it looks at `stop` again.
  void Wake();
  // At the listener's end: cuts off every connection as soon as it is not being answered, and
  // waits up to `limit` for all of them to have gone, so that no connection's thread is left
  // half way through its work when the program ends.
  void CloseAll(std::chrono::milliseconds limit);

  // Held by each connection served, for as long as it is. The connection tells it when it
  // answers; `cutOff` ends the connection from another thread (it must not block).
  class Place {
   public:
    Place(std::shared_ptr<ConnectionCap> cap, std::function<void()> cutOff);
    ~Place();
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;

    // The connection's thread has begun to wait for its peer. Until then the connection is
    // not cut off: its peer's first bytes may have come long before its thread could look.
    void Started();
    // Bytes of a request or handshake came.
    void Heard();
    // Before a read is answered: false when the connection was cut off (it closes without
    // answering); otherwise it is not cut off until AnswerEnded.
    bool AnswerBegins();
    // `complete`: the read was a request and has been answered; otherwise it got no
    // answer, and the time without a complete request runs on.
    void AnswerEnded(bool complete);
    // Before the connection closes: it is no longer cut off.
    void Leave();

   private:
    friend class ConnectionCap;
    using Ms = std::int64_t;
    static constexpr Ms kAnswering = -1;
    static constexpr Ms kCutOff = -2;
    static constexpr Ms kStarting = -3;
    // Added to the time of the last bytes heard, so that every connection that has sent
    // nothing comes first, oldest first, and then the others (ms of the steady clock stay
    // far below it).
    static constexpr Ms kHeardRank = Ms{1} << 50;
    static Ms Now();
    // Sets the rank unless the place is being answered or was cut off.
    void Rank(Ms rank);

    std::shared_ptr<ConnectionCap> cap_;
    std::function<void()> cutOff_;
    // Which place gives way first (the least): the time of the last answer (or the accept)
    // while nothing came since, kHeardRank plus the time of the last bytes once some came;
    // or kStarting, kAnswering or kCutOff. Times in ms of the steady clock.
    std::atomic<Ms> waitingSince_{kStarting};
    const Ms accepted_ = Now();
    bool left_ = false;  // under the cap's lock
  };

 private:
  static constexpr std::int64_t kNever = INT64_MAX;
  // While places are cut off but not gone, or a thread has yet to start.
  static constexpr std::int64_t kLookAgainMs = 10;

  // Cuts off the place that gives way first, if one may; otherwise lowers `wakeAt` to when
  // one may (kNever: none will while all are answered).
  bool CutOffOne(std::int64_t now, std::int64_t& wakeAt);
  // Cuts `place` off unless it is leaving, being answered, cut off already or not started.
  void CutOffIfWaiting(Place& place);

  std::mutex lock_;
  std::condition_variable changed_;  // a place gone, or a stop
  std::vector<Place*> places_;
  std::size_t leaving_ = 0;  // cut off, not yet gone
};

}  // namespace lumarin
