// One command's answer broadcast by the WebSocket server to 8 upgraded loopback clients, from
// the command frame sent to the last client's whole frame. The server traces to standard
// output, so the results go to a file:
//   build/tests/bench/bench_ws_broadcast --benchmark_repetitions=15
//     --benchmark_report_aggregates_only=true --benchmark_out=ws.txt
//     --benchmark_out_format=console >/dev/null
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "service/net/ws_server.h"
#include "support/local_socket.h"
#include "support/net/websocket_client.h"

namespace {

constexpr int kClients = 8;

// "N" is answered with N bytes of JSON-like text.
void SizedAnswer(const char* request, char* answer) {
  std::memset(answer, 'a', std::strtoul(request, nullptr, 10));
}
void NoPush() {}

void BM_BroadcastToEightClients(benchmark::State& state) {
  const int port = vantel_test::FreePortRun(1);
  lumarin::WsServer server(lumarin::WsCommands{SizedAnswer, NoPush});
  server.Start(nullptr, "127.0.0.1", port);
  std::vector<std::unique_ptr<vantel_test::WebSocketClient>> clients;
  for (int attempt = 0; clients.size() < kClients && attempt < 200; ++attempt) {
    auto client = std::make_unique<vantel_test::WebSocketClient>(port);
    if (client->Connected() && client->Upgrade()) {
      clients.push_back(std::move(client));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  if (clients.size() < kClients) {
    state.SkipWithError("the clients could not upgrade");
    return;
  }
  const std::string command = std::to_string(state.range(0));
  for (auto _ : state) {
    clients[0]->SendText(command);
    for (auto& client : clients) {
      vantel_test::ParsedFrame frame;
      if (!client->ReceiveFrame(&frame) || frame.payload.size() != static_cast<std::size_t>(state.range(0))) {
        state.SkipWithError("an answer went missing");
        return;
      }
    }
  }
  state.SetBytesProcessed(state.iterations() * state.range(0) * kClients);
}
BENCHMARK(BM_BroadcastToEightClients)->Arg(6000)->Arg(300000)->Unit(benchmark::kMicrosecond);

}  // namespace
