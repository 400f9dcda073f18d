// The listening sockets of the platform layer, against its own client sockets on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/tcp_socket.h"
#include "support/local_socket.h"

namespace {

using platform::TcpListener;
using platform::TcpSocket;

constexpr std::uint32_t kWaitMs = 10000;

struct Connected {
  std::unique_ptr<TcpSocket> client;
  std::unique_ptr<TcpSocket> server;
};

Connected Connect(TcpListener& listener, int port) {
  Connected pair{TcpSocket::Create(), nullptr};
  if (pair.client && pair.client->Connect("127.0.0.1", static_cast<std::uint16_t>(port), kWaitMs))
    pair.server = listener.Accept();
  return pair;
}

class Listener : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::StartSocketLibrary());
    port = vantel_test::FreePortRun(1);
    ASSERT_NE(port, 0);
    listener = TcpListener::Create();
    ASSERT_TRUE(listener);
    ASSERT_TRUE(listener->Listen(static_cast<std::uint16_t>(port), 2));
  }
  void TearDown() override { platform::StopSocketLibrary(); }

  int port = 0;
  std::unique_ptr<TcpListener> listener;
};

TEST_F(Listener, AcceptedConnectionCarriesBytesBothWaysAndSeesThePeerClose) {
  Connected pair = Connect(*listener, port);
  ASSERT_TRUE(pair.server);
  EXPECT_NE(pair.server->NativeHandle(), pair.client->NativeHandle());
  const std::string hello = "GET / HTTP/1.1\r\n\r\n";
  ASSERT_EQ(pair.client->Send(reinterpret_cast<const std::uint8_t*>(hello.data()), hello.size()),
            static_cast<int>(hello.size()));
  std::uint8_t got[64] = {};
  ASSERT_EQ(pair.server->Receive(got, sizeof got, kWaitMs), static_cast<int>(hello.size()));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(got), hello.size()), hello);
  ASSERT_EQ(pair.server->Send(got, 3), 3);
  ASSERT_EQ(pair.client->Receive(got, sizeof got, kWaitMs), 3);

  pair.client.reset();
  EXPECT_EQ(pair.server->Receive(got, sizeof got, kWaitMs), 0);
  // Writing on to the vanished peer fails; it must not end the process with a signal.
  int sent = 0;
  for (int attempt = 0; attempt < 50 && sent >= 0; ++attempt) sent = pair.server->Send(got, 3);
  EXPECT_EQ(sent, -1);
}

TEST_F(Listener, ARestartBindsBesideClosedConnectionsButATakenPortIsRefused) {
  auto second = TcpListener::Create();
  ASSERT_TRUE(second);
  EXPECT_FALSE(second->Listen(static_cast<std::uint16_t>(port), 2));

  Connected pair = Connect(*listener, port);
  ASSERT_TRUE(pair.server);
  pair.server.reset();  // the listener's side closes first and keeps the port in TIME_WAIT
  std::uint8_t byte;
  EXPECT_EQ(pair.client->Receive(&byte, 1, kWaitMs), 0);
  pair.client.reset();
  listener.reset();
  auto restarted = TcpListener::Create();
  ASSERT_TRUE(restarted);
  EXPECT_TRUE(restarted->Listen(static_cast<std::uint16_t>(port), 2));
}

}  // namespace
