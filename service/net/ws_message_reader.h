#pragma once
// One WebSocket connection's received bytes turned into what the server must do with them:
// upgrade requests and frames joined across receives until whole, each whole one handled in
// order. No sockets here: the server receives into ReceiveSpace() and acts on what Take says.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "service/net/websocket_codec.h"

namespace lumarin {

struct WsAction {
  enum Kind {
    kUpgrade,   // send `text` (the 101 answer) and join the broadcast set
    kRefuse,    // send `text` (the 400 answer) and close; the connection never joins
    kDispatch,  // run the command message in `text` and broadcast its answer
    kClose,     // a close frame: push mode off, close, leave the set
    kDrop,      // a frame over the size limit: close as at a zero-byte receive
  };
  Kind kind;
  std::string text;
};

class WsMessageReader {
 public:
  static constexpr std::size_t kReceiveSize = 1024;
  // The largest frame a client may send, header included.
  static constexpr std::size_t kLargestFrame = 1024;

  // Keeps what was received and not yet handled, at most `capacity` bytes (an upgrade request
  // may fill all of them but the last, which ends the text). The area grows as a message is
  // joined and is given back once it is handled: an idle connection holds one receive's room.
  explicit WsMessageReader(std::size_t capacity);

  // Where the next receive writes and how many bytes it may take (at most kReceiveSize).
  char* ReceiveSpace() { return area_.data() + held_; }
  std::size_t ReceiveRoom() const;

  // Takes `bytes` just received at ReceiveSpace() (0: none) and returns what the whole
  // messages among the held bytes ask for, in order, at most `most` of them: fewer when no
  // whole message is left. kRefuse, kClose and kDrop end the connection: nothing after them is
  // handled, now or later. Receive only once fewer than `most` came back: the held messages
  // take up the receive's room until then.
  std::vector<WsAction> Take(std::size_t bytes, std::size_t most = SIZE_MAX);

 private:
  // The length of the upgrade request at the area's start, or 0 while more must be joined.
  std::size_t UpgradeRequestLength() const;
  // Handles the frame at the area's start; false while it is not whole.
  bool TakeFrame(std::vector<WsAction>& actions);
  // Drops the first `used` bytes, moves the rest to the start and zeroes what they left.
  void Consume(std::size_t used);
  // The held bytes, the next receive's room and a zero behind it; no more.
  void FitArea();

  std::vector<char> area_;  // the held bytes, then zeros
  std::size_t capacity_;
  std::size_t held_ = 0;
  bool last_receive_filled_ = false;  // the last receive took all the room it had
  bool ended_ = false;
  WebSocketCodec codec_;
};

}  // namespace lumarin
