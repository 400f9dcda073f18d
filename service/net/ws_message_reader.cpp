#include "service/net/ws_message_reader.h"

#include <algorithm>
#include <cstring>

namespace lumarin {

WsMessageReader::WsMessageReader(std::size_t capacity) : capacity_(capacity) { FitArea(); }

std::size_t WsMessageReader::ReceiveRoom() const {
  return std::min(kReceiveSize, capacity_ - 1 - held_);
}

std::vector<WsAction> WsMessageReader::Take(std::size_t bytes, std::size_t most) {
  std::vector<WsAction> actions;
  if (ended_) return actions;
  if (bytes > 0) last_receive_filled_ = bytes == ReceiveRoom();
  held_ += bytes;
  while (held_ > 0 && !ended_ && actions.size() < most) {
    if (codec_.IsHandshake(area_.data())) {
      const std::size_t length = UpgradeRequestLength();
      if (length == 0) break;
      const char* request = area_.data();
      std::string answer = codec_.MakeHandshakeAnswer(std::string(request, std::find(request, request + length, '\0')));
      const bool refused = answer == kHandshakeRefusal;
      actions.push_back({refused ? WsAction::kRefuse : WsAction::kUpgrade, std::move(answer)});
      ended_ = refused;
      Consume(length);
    } else if (!TakeFrame(actions)) {
      break;
    }
  }
  FitArea();
  return actions;
}

std::size_t WsMessageReader::UpgradeRequestLength() const {
  const char* blank_line = std::strstr(area_.data(), "\r\n\r\n");
  if (blank_line != nullptr) return static_cast<std::size_t>(blank_line - area_.data()) + 4;
  // A receive that came short ends the request (a browser's long header takes several
  // full ones), and so does an area with no room left.
  const bool more_may_come = last_receive_filled_ && ReceiveRoom() > 0;
  return more_may_come ? 0 : held_;
}

bool WsMessageReader::TakeFrame(std::vector<WsAction>& actions) {
  const FrameLayout layout = ReadFrameLayout(area_.data(), held_);
  // Compared apart from the header so that a declared 2^64 - 1 cannot wrap.
  if (layout.payload_length > kLargestFrame ||
      layout.header_size + layout.payload_length > kLargestFrame) {
    actions.push_back({WsAction::kDrop, {}});
    ended_ = true;
    return false;
  }
  const std::size_t size = layout.header_size + static_cast<std::size_t>(layout.payload_length);
  if (!layout.header_complete || held_ < size) return false;
  const int length = static_cast<int>(size);
  switch (codec_.ClassifyFrame(area_.data(), length)) {
    case kFrameText: {
      char text[kLargestFrame] = "";
      codec_.DecodeFrame(area_.data(), length, text);
      actions.push_back({WsAction::kDispatch, text});
      break;
    }
    case kFrameClose:
      actions.push_back({WsAction::kClose, {}});
      ended_ = true;
      return false;
    default:
      break;  // binary, ping, pong and the rest: no answer
  }
  Consume(size);
  return true;
}

void WsMessageReader::Consume(std::size_t used) {
  const std::size_t rest = held_ - used;
  std::memmove(area_.data(), area_.data() + used, rest);
  std::memset(area_.data() + rest, 0, used);
  held_ = rest;
}

void WsMessageReader::FitArea() {
  const std::size_t needed = held_ + ReceiveRoom() + 1;
  area_.resize(needed);
  // Growing doubles the capacity at most: more than that is left from a joined message.
  if (area_.capacity() > 2 * needed) area_.shrink_to_fit();
}

}  // namespace lumarin
