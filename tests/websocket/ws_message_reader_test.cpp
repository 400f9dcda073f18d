// One connection's receives: upgrade requests and frames joined until whole, each handled in
// order, oversized frames refused.
#include "service/net/ws_message_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/net/websocket_frames.h"

namespace lumarin {
namespace {

using vantel_test::ClientFrame;
using vantel_test::kOpBinary;
using vantel_test::kOpClose;
using vantel_test::kOpContinuation;
using vantel_test::kOpPing;
using vantel_test::kOpText;

const std::string kKey = "dGhlIHNhbXBsZSBub25jZQ==";
const std::string kRequest = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nSec-WebSocket-Key: " + kKey +
                             "\r\nSec-WebSocket-Version: 13\r\n\r\n";

std::string Upgraded() { return "upgrade " + WebSocketCodec().MakeHandshakeAnswer(kRequest); }

// Feeds the receives one by one (each at most what the reader offers) and lists the actions.
std::vector<std::string> Feed(const std::vector<std::string>& receives,
                             std::size_t capacity = 524288) {
  WsMessageReader reader(capacity);
  std::vector<std::string> seen;
  static const char* const kNames[] = {"upgrade ", "refuse ", "dispatch ", "close", "drop"};
  for (const std::string& bytes : receives) {
    EXPECT_LE(bytes.size(), reader.ReceiveRoom());
    std::memcpy(reader.ReceiveSpace(), bytes.data(), bytes.size());
    for (const WsAction& action : reader.Take(bytes.size())) {
      seen.push_back(kNames[action.kind] + action.text);
    }
  }
  return seen;
}

using Seen = std::vector<std::string>;

TEST(WsMessageReader, HandlesEveryWholeMessageInOrder) {
  const std::string status = R"({"name":"getStatus"})";
  const std::string frame = ClientFrame(kOpText, status);
  EXPECT_EQ(Feed({kRequest, frame}), (Seen{Upgraded(), "dispatch " + status}));
  // Several frames in one receive, ignored kinds among them.
  EXPECT_EQ(Feed({frame + ClientFrame(kOpPing, "p") + ClientFrame(kOpBinary, "b") +
                 ClientFrame(kOpText, "second") + ClientFrame(kOpContinuation, "c")}),
            (Seen{"dispatch " + status, "dispatch second"}));
  // A frame split over receives, even inside its header, is joined.
  const std::string long_frame = ClientFrame(kOpText, std::string(500, 'L'));
  EXPECT_EQ(Feed({long_frame.substr(0, 1), long_frame.substr(1, 3), long_frame.substr(4) + frame}),
            (Seen{"dispatch " + std::string(500, 'L'), "dispatch " + status}));
  // The empty text is dispatched as such, not as the previous one.
  EXPECT_EQ(Feed({frame, ClientFrame(kOpText, "")}), (Seen{"dispatch " + status, "dispatch "}));
  // A close frame ends the connection: nothing after it counts.
  EXPECT_EQ(Feed({frame + ClientFrame(kOpClose, "") + frame, frame}),
            (Seen{"dispatch " + status, "close"}));
  // A data frame that holds "GET" before its first zero byte is an upgrade request.
  EXPECT_EQ(Feed({ClientFrame(kOpText, "x", {true, false}) + "GET\r\n" + "Sec-WebSocket-Key: " +
                 kKey}),
            (Seen{"upgrade " + WebSocketCodec().MakeHandshakeAnswer("\x81\x01xGET\r\nSec-WebSocket-Key: " + kKey)}));
}

TEST(WsMessageReader, RefusesFramesOverTheLimit) {
  const std::string largest = ClientFrame(kOpText, std::string(1024 - 8, 'M'));
  ASSERT_EQ(largest.size(), 1024u);
  EXPECT_EQ(Feed({largest}), (Seen{"dispatch " + std::string(1016, 'M')}));
  EXPECT_EQ(Feed({ClientFrame(kOpText, std::string(1017, 'M')).substr(0, 1024)}), (Seen{"drop"}));
  EXPECT_EQ(Feed({ClientFrame(kOpBinary, std::string(2000, 'B')).substr(0, 4)}), (Seen{"drop"}));
  // A length up to 2^64 is refused on sight, before its bytes could arrive.
  EXPECT_EQ(Feed({"\x81\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"}), (Seen{"drop"}));
  EXPECT_EQ(Feed({"\x81\xFF\x00\x00\x00\x00\x00\x00\x00\x05"}), Seen{});  // waits for key and payload
}

TEST(WsMessageReader, JoinsAnUpgradeRequestUpToItsBlankLine) {
  // A browser's request with long cookies fills whole receives before its blank line.
  const std::string cookies = "Cookie: " + std::string(2500, 'c') + "\r\n";
  const std::string request = "GET / HTTP/1.1\r\n" + cookies + "Sec-WebSocket-Key: " + kKey + "\r\n\r\n";
  const std::string answer = "upgrade " + WebSocketCodec().MakeHandshakeAnswer(request);
  const std::string status = ClientFrame(kOpText, R"({"name":"getStatus"})");
  EXPECT_EQ(Feed({request.substr(0, 1024), request.substr(1024, 1024),
                 request.substr(2048) + status}),
            (Seen{answer, "dispatch {\"name\":\"getStatus\"}"}));
  // A short receive is a whole request, blank line or not.
  EXPECT_EQ(Feed({"GET / HTTP/1.1\r\nSec-WebSocket-Key: " + kKey}),
            (Seen{"upgrade " + WebSocketCodec().MakeHandshakeAnswer("GET / HTTP/1.1\r\nSec-WebSocket-Key: " + kKey)}));
  // Without a key: 400, and the connection is done with.
  EXPECT_EQ(Feed({"GET / HTTP/1.1\r\nHost: x\r\n\r\n", status}),
            (Seen{std::string("refuse ") + kHandshakeRefusal}));
  // Full receives without a blank line stop at the area's end, and are answered as they are.
  const std::string endless = "GET / HTTP/1.1\r\nSec-WebSocket-Key: " + kKey + std::string(2048, 'h');
  EXPECT_EQ(Feed({endless.substr(0, 1024), endless.substr(1024, 1024), endless.substr(2048, 999)}, 3048),
            (Seen{"upgrade " + WebSocketCodec().MakeHandshakeAnswer(endless.substr(0, 3047))}));
}

TEST(WsMessageReader, HandsOutHeldMessagesAFewAtATime) {
  WsMessageReader reader(524288);
  // One receive: an upgrade request and three frames.
  const std::string bytes = kRequest + ClientFrame(kOpText, "a") + ClientFrame(kOpText, "b") +
                            ClientFrame(kOpText, "c");
  std::memcpy(reader.ReceiveSpace(), bytes.data(), bytes.size());
  EXPECT_TRUE(reader.Take(bytes.size(), 0).empty());
  std::vector<std::string> seen;
  std::vector<std::size_t> counts;
  for (int turn = 0; turn < 4; ++turn) {
    const std::vector<WsAction> actions = reader.Take(0, 2);
    counts.push_back(actions.size());
    for (const WsAction& action : actions) seen.push_back(action.text);
  }
  EXPECT_EQ(counts, (std::vector<std::size_t>{2, 2, 0, 0}));
  EXPECT_EQ(seen, (std::vector<std::string>{WebSocketCodec().MakeHandshakeAnswer(kRequest), "a",
                                            "b", "c"}));
  // All handed out: the next receive goes where the held bytes ended.
  EXPECT_EQ(reader.ReceiveRoom(), WsMessageReader::kReceiveSize);
}

}  // namespace
}  // namespace lumarin
