#pragma once
// TCP on this machine for the test peers (Winsock on Windows, BSD sockets elsewhere).
#include <cstddef>
#include <cstdint>

namespace vantel_test {

using LocalSocket = std::intptr_t;
constexpr LocalSocket kNoSocket = -1;

// A listener on a free port of 127.0.0.1 that holds at most `backlog` connections nobody
// accepts; kNoSocket when none could be opened.
LocalSocket ListenLocal(int backlog, int* port);
// A connection to 127.0.0.1:port, or kNoSocket.
LocalSocket ConnectLocal(int port);
bool SendAll(LocalSocket socket, const std::uint8_t* data, std::size_t length);
// False when the peer closed or the connection failed before `length` bytes came.
bool ReceiveAll(LocalSocket socket, std::uint8_t* data, std::size_t length);
// Ends both directions, which wakes a thread blocked in ReceiveAll.
void ShutdownLocal(LocalSocket socket);
void CloseLocal(LocalSocket socket);
// Both ends of a new connection over 127.0.0.1; false when none could be made.
bool LocalPair(LocalSocket* client, LocalSocket* server);
// Closes with a reset (RST) rather than an orderly end.
void ResetLocal(LocalSocket socket);
// Receive calls on `socket` fail after waiting `milliseconds` for data.
void SetReceiveWait(LocalSocket socket, int milliseconds);
// One receive call: the bytes received, 0 when the peer closed or the connection failed, -1
// when the wait ran out.
int ReceiveSome(LocalSocket socket, std::uint8_t* data, std::size_t capacity);
// A port p such that p .. p + count - 1 are all free on this machine now; 0 when none was
// found.
int FreePortRun(int count);

}  // namespace vantel_test
