// A send to a peer that stops reading fails once the send time-out passes without progress,
// instead of blocking its thread (and whatever it holds) for ever.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/tcp_socket.h"
#include "support/local_socket.h"

namespace {

TEST(TcpSendTimeout, SendToAPeerThatStopsReadingFails) {
  ASSERT_TRUE(platform::StartSocketLibrary());
  const int port = vantel_test::FreePortRun(1);
  auto listener = platform::TcpListener::Create();
  ASSERT_TRUE(listener && listener->Listen(static_cast<std::uint16_t>(port), 1));
  auto idle_peer = platform::TcpSocket::Create();
  ASSERT_TRUE(idle_peer && idle_peer->Connect("127.0.0.1", static_cast<std::uint16_t>(port), 5000));
  auto sender = listener->Accept();
  ASSERT_TRUE(sender && sender->SetSendTimeout(200));

  // The peer's buffers fill, then a send waits 200 ms and fails (1 GiB is far past any buffer).
  const std::vector<std::uint8_t> chunk(65536, 's');
  int result = 1;
  for (int sent = 0; sent < 16384 && result > 0; ++sent) result = sender->Send(chunk.data(), chunk.size());
  EXPECT_LE(result, 0);
  platform::StopSocketLibrary();
}

}  // namespace
