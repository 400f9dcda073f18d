// The service's overhead on a card read: "/api/readCard" over HTTP, ServiceReadCard called
// directly and the reader calls alone (InitComm, Authenticate, ZRT_ReadBaseMsg), each against
// the simulator behind the PC/SC service with mute and repeat-read on. The service's overhead
// is a read's median minus the reader calls' median minus the read's 50 ms pause.
//   build/tests/bench/bench_http_card_read --benchmark_repetitions=5
//     --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "library/exports/port_exports.h"
#include "library/exports/stdcall.h"
#include "service/api/api_handler.h"
#include "service/api/card_reads.h"
#include "service/api/reader_mutex.h"
#include "service/net/http_servers.h"
#include "support/id_card_writer.h"
#include "support/local_socket.h"
#include "support/net/test_connection.h"
#include "support/pcsc_attachment.h"

extern "C" {
int VANTEL_STDCALL Authenticate();
int VANTEL_STDCALL ZRT_ReadBaseMsg(int iPortID, unsigned char* text, unsigned* puiCHMsgLen,
                                   unsigned char* photo, unsigned* puiPHMsgLen, int iIfOpen);
int VANTEL_STDCALL Kestor_Mute(int flag);
int VANTEL_STDCALL Kestor_RepeatRead(int flag);
}

namespace {

// The card on the simulated reader and the listener, for the whole program; 0 when the PC/SC
// service could not be had.
int ListeningPort() {
  static const int port = [] {
    static vantel_test::ReaderSim sim;
    if (!vantel_test::AttachPcscSim(&sim, nullptr).empty()) return 0;
    sim.PlaceCard(vantel_test::IdCardWith(vantel_test::ResidentText({})));
    lumarin::CreateReaderMutex();
    InitComm(1001);
    Kestor_Mute(1);
    Kestor_RepeatRead(1);
    const int free = vantel_test::FreePortRun(1);
    static lumarin::HttpServer server;
    server.Start(nullptr, "127.0.0.1", free);
    return free;
  }();
  return port;
}

void BM_ReadCardOverHttp(benchmark::State& state) {
  const int port = ListeningPort();
  std::unique_ptr<vantel_test::TestConnection> connection;
  for (int attempt = 0; port && attempt < 100 && !(connection && connection->connected()); ++attempt) {
    connection = vantel_test::TestConnection::Plain(port);
    if (!connection->connected()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (!connection || !connection->connected()) {
    state.SkipWithError("no listener");
    return;
  }
  for (auto _ : state) {
    connection->Send("GET /api/readCard HTTP/1.1\r\n\r\n");
    if (connection->ReceiveAnswer().find("\"resultFlag\":0") == std::string::npos) {
      state.SkipWithError("the read failed");
      break;
    }
  }
}

void BM_ServiceReadCard(benchmark::State& state) {
  if (!ListeningPort()) {
    state.SkipWithError("no PC/SC service");
    return;
  }
  std::vector<char> out(lumarin::kAnswerBufferSize);
  for (auto _ : state) {
    std::fill(out.begin(), out.end(), '\0');
    int length = 0;
    lumarin::ServiceReadCard(out.data(), &length);
    benchmark::DoNotOptimize(out.data());
  }
}

void BM_ReaderCallsAlone(benchmark::State& state) {
  if (!ListeningPort()) {
    state.SkipWithError("no PC/SC service");
    return;
  }
  unsigned char text[256];
  unsigned char photo[1024];
  for (auto _ : state) {
    unsigned textLength = 0;
    unsigned photoLength = 0;
    InitComm(1001);
    Authenticate();
    if (ZRT_ReadBaseMsg(1001, text, &textLength, photo, &photoLength, 0) != 144) {
      state.SkipWithError("the read failed");
      break;
    }
  }
}

BENCHMARK(BM_ReaderCallsAlone)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ServiceReadCard)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ReadCardOverHttp)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
