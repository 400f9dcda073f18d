// Requests per second over loopback keep-alive connections to the HTTP listener: a path
// without a route (the request loop alone) and "/api/Kestor_Mute" (the reader mutex, the work
// buffer and the conversion, no reader I/O), with 1 and 8 connections at once.
//   build/tests/bench/bench_http_requests --benchmark_repetitions=5
//     --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "service/api/reader_mutex.h"
#include "service/net/http_servers.h"
#include "support/local_socket.h"
#include "support/net/test_connection.h"

namespace {

int ListeningPort() {
  static const int port = [] {
    lumarin::CreateReaderMutex();
    const int free = vantel_test::FreePortRun(1);
    static lumarin::HttpServer server;
    server.Start(nullptr, "127.0.0.1", free);
    return free;
  }();
  return port;
}

std::unique_ptr<vantel_test::TestConnection> Connect(int port) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto connection = vantel_test::TestConnection::Plain(port);
    if (connection->connected()) return connection;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

void Requests(benchmark::State& state, const std::string& request) {
  auto connection = Connect(ListeningPort());
  if (!connection) {
    state.SkipWithError("no connection");
    return;
  }
  for (auto _ : state) {
    connection->Send(request);
    if (connection->ReceiveAnswer().empty()) {
      state.SkipWithError("no answer");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_NotFound(benchmark::State& state) {
  Requests(state, "GET /api/none HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}
void BM_Mute(benchmark::State& state) {
  Requests(state, "GET /api/Kestor_Mute?ISMUTE=true HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

BENCHMARK(BM_NotFound)->Threads(1)->Threads(8)->UseRealTime();
BENCHMARK(BM_Mute)->Threads(1)->Threads(8)->UseRealTime();

}  // namespace
