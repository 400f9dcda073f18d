// The completion port over real loopback connections: which socket's receive or send completed,
// with how many bytes, closes and resets as 0, one completion per posted operation, sends that
// wait for room without holding others up, forgotten sockets, and the wake.
#include "platform/completion_port.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "support/local_socket.h"

namespace {

using vantel_test::LocalSocket;

struct Connection {
  LocalSocket peer = vantel_test::kNoSocket;  // the far end, which the test writes to
  LocalSocket near = vantel_test::kNoSocket;  // the end tied to the port
  char buffer[64] = {};
};

class CompletionPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = platform::CompletionPort::Create();
    ASSERT_NE(port_, nullptr);
    for (Connection& c : connections_) {
      ASSERT_TRUE(vantel_test::LocalPair(&c.peer, &c.near));
      ASSERT_TRUE(port_->Associate(c.near, &c));
    }
  }
  void TearDown() override {
    for (Connection& c : connections_) {
      port_->Forget(&c);
      if (c.near != vantel_test::kNoSocket) vantel_test::CloseLocal(c.near);
      if (c.peer != vantel_test::kNoSocket) vantel_test::CloseLocal(c.peer);
    }
  }

  void Send(Connection& c, const std::string& text) {
    ASSERT_TRUE(vantel_test::SendAll(c.peer, reinterpret_cast<const std::uint8_t*>(text.data()),
                                     text.size()));
  }
  void Post(Connection& c, std::size_t capacity = sizeof(Connection::buffer)) {
    port_->PostReceive(&c, c.buffer, capacity);
  }
  // The next completion as "key-index:bytes:text" ("sent" for the text of a send, "wake" for
  // a wake or a wait that ran out).
  std::string Next(std::uint32_t waitMs = platform::CompletionPort::kNoTimeLimit) {
    const platform::CompletionPort::Completion done = port_->Wait(waitMs);
    if (done.key == nullptr) return "wake";
    auto* c = static_cast<Connection*>(done.key);
    return std::to_string(c - connections_) + ":" + std::to_string(done.bytes) + ":" +
           (done.sent ? "sent" : std::string(c->buffer, done.bytes > 0 ? done.bytes : 0));
  }
  // Posts sends of `block` on a connection whose peer does not read until one waits for room;
  // the bytes the completed ones took.
  std::size_t SendUntilOneWaits(Connection& c, const std::string& block) {
    std::size_t taken = 0;
    for (;;) {
      port_->PostSend(&c, block.data(), block.size());
      const platform::CompletionPort::Completion done = port_->Wait(1000);
      if (done.key == nullptr) return taken;
      EXPECT_TRUE(done.key == &c && done.sent && done.bytes > 0);
      taken += static_cast<std::size_t>(done.bytes);
    }
  }

  std::unique_ptr<platform::CompletionPort> port_;
  Connection connections_[2];
};

TEST_F(CompletionPortTest, ReportsEachPostedReceiveWithItsKey) {
  Post(connections_[0]);
  Post(connections_[1]);
  Send(connections_[1], "second");
  EXPECT_EQ(Next(), "1:6:second");
  Send(connections_[0], "first");
  EXPECT_EQ(Next(), "0:5:first");
  // Bytes beyond the posted capacity wait for the next receive.
  Send(connections_[0], "0123456789");
  Post(connections_[0], 4);
  EXPECT_EQ(Next(), "0:4:0123");
  Post(connections_[0], 4);
  EXPECT_EQ(Next(), "0:4:4567");
  Post(connections_[0], 4);
  EXPECT_EQ(Next(), "0:2:89");
}

TEST_F(CompletionPortTest, CompletesOnlyWhatWasPostedAndWakes) {
  // Data on a socket without a posted receive stays unreported: the wake comes first.
  Post(connections_[0]);
  Send(connections_[0], "a");
  EXPECT_EQ(Next(), "0:1:a");
  Send(connections_[0], "b");
  port_->Wake();
  EXPECT_EQ(Next(), "wake");
  Post(connections_[0]);
  EXPECT_EQ(Next(), "0:1:b");
  // A wake from another thread ends a wait with nothing to report.
  Post(connections_[1]);
  std::thread waker([this] { port_->Wake(); });
  EXPECT_EQ(Next(), "wake");
  waker.join();
}

TEST_F(CompletionPortTest, ClosedAndResetPeersCompleteWithZero) {
  Post(connections_[0]);
  Post(connections_[1]);
  vantel_test::CloseLocal(connections_[0].peer);
  connections_[0].peer = vantel_test::kNoSocket;
  EXPECT_EQ(Next(), "0:0:");
  vantel_test::ResetLocal(connections_[1].peer);
  connections_[1].peer = vantel_test::kNoSocket;
  EXPECT_EQ(Next(), "1:0:");
}

TEST_F(CompletionPortTest, SendsCompleteWithTheBytesTakenAndWaitForRoomWithoutHoldingOthers) {
  Connection& c = connections_[0];
  port_->PostSend(&c, "hello", 5);
  EXPECT_EQ(Next(), "0:5:sent");
  std::uint8_t hello[5] = {};
  ASSERT_TRUE(vantel_test::ReceiveAll(c.peer, hello, sizeof hello));
  EXPECT_EQ(std::string(hello, hello + 5), "hello");

  const std::string block(1 << 20, 's');
  std::size_t taken = SendUntilOneWaits(c, block);
  // The other socket is served while that send waits.
  Post(connections_[1]);
  Send(connections_[1], "x");
  EXPECT_EQ(Next(), "1:1:x");
  // Once the peer reads, the waiting send completes; the peer gets every byte taken.
  std::size_t delivered = 0;
  std::thread reader([&] {
    std::uint8_t buffer[65536];
    int got;
    while ((got = vantel_test::ReceiveSome(c.peer, buffer, sizeof buffer)) > 0)
      delivered += static_cast<std::size_t>(got);
  });
  const platform::CompletionPort::Completion done = port_->Wait(platform::CompletionPort::kNoTimeLimit);
  EXPECT_TRUE(done.key == &c && done.sent && done.bytes > 0);
  taken += static_cast<std::size_t>(done.bytes);
  port_->Forget(&c);
  vantel_test::CloseLocal(c.near);
  c.near = vantel_test::kNoSocket;
  reader.join();
  EXPECT_EQ(delivered, taken);
}

TEST_F(CompletionPortTest, AForgottenSocketReportsNothingOfWhatWasPostedOnIt) {
  Connection& c = connections_[0];
  Post(c);
  SendUntilOneWaits(c, std::string(1 << 20, 'f'));
  port_->Forget(&c);
  port_->Wake();
  EXPECT_EQ(Next(), "wake");
  Post(connections_[1]);
  Send(connections_[1], "y");
  EXPECT_EQ(Next(), "1:1:y");
}

}  // namespace
