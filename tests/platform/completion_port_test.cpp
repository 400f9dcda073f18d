// The completion port over real loopback connections: which socket's receive completed, with
// how many bytes, closes and resets as 0, one completion per posted receive, and the wake.
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
      vantel_test::CloseLocal(c.near);
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
  // The next completion as "key-index:bytes:text" ("wake" for a wake).
  std::string Next() {
    const platform::CompletionPort::Completion done = port_->Wait(platform::CompletionPort::kNoTimeLimit);
    if (done.key == nullptr) return "wake";
    auto* c = static_cast<Connection*>(done.key);
    return std::to_string(c - connections_) + ":" + std::to_string(done.bytes) + ":" +
           std::string(c->buffer, done.bytes > 0 ? done.bytes : 0);
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

}  // namespace
