// A simulated identity-card reader for trying the service without a reader: a private pcscd
// with a vpcd reader ("Kestor Passport Reader 0", the one that port 1001 finds) whose card is
// the test simulator holding a sample resident identity card (name and photo). Prints
// "PCSCLITE_CSOCK_NAME=<socket>" once the card is in, then "CARD_PHOTO=<hex>" (the card's
// 1024 photo bytes, for checking answers), then serves until SIGINT or SIGTERM.
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <cstdlib>
#include <thread>

#include "support/id_card_writer.h"
#include "support/pcsc_service.h"
#include "support/reader_sim.h"
#include "support/reader_sim_pcsc.h"

namespace {

volatile std::sig_atomic_t gStop = 0;
void OnStopSignal(int) { gStop = 1; }

// The packet size of a PC/SC reader's sliced answers.
constexpr std::size_t kPcscPacketSize = 250;

}  // namespace

int main() {
  using namespace vantel_test;
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
  const PcscService& service = StartPcscService();
  if (!service.failure.empty()) {
    std::fprintf(stderr, "simulated_reader: %s\n", service.failure.c_str());
    return 1;
  }
  ReaderSim sim;
  std::shared_ptr<SimIdentityCard> identityCard = IdCardWith(ResidentText(ResidentFields{}));
  sim.PlaceCard(identityCard);
  VirtualCard card(service.knownReaderCardPort,
                   PseudoApduAnswerer([&sim](const Bytes& frame) { return sim.AnswerFrame(frame); },
                                      [&sim](const Bytes& apdu) { return sim.AnswerReaderCode(apdu); },
                                      [&sim](const Bytes& frame) {
                                        return sim.AnswerPackets(frame, kPcscPacketSize);
                                      }));
  if (!WaitForCard(kKnownReaderName)) {
    std::fprintf(stderr, "simulated_reader: the reader does not see its card\n");
    return 1;
  }
  std::printf("PCSCLITE_CSOCK_NAME=%s\nCARD_PHOTO=", std::getenv("PCSCLITE_CSOCK_NAME"));
  for (std::uint8_t byte : identityCard->photo) std::printf("%02x", byte);
  std::printf("\n");
  std::fflush(stdout);
  while (!gStop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return 0;
}
