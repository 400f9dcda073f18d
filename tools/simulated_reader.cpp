// A simulated identity-card reader for trying the service without a reader: the test
// simulator holding a sample resident identity card (name and photo) as the card of a vpcd
// reader. Usage: simulated_reader [--card-port PORT] [--hold-reads]
// - Without arguments (Linux): starts a private pcscd whose vpcd reader ("Kestor Passport
//   Reader 0", the one that port 1001 finds) holds the card; prints
//   "PCSCLITE_CSOCK_NAME=<socket>" once the card is in.
// - With --card-port: the card connects to a vpcd-style reader that listens on PORT of this
//   machine already or soon (under wine the tests' WinSCard.dll, once the service has asked
//   for a PC/SC context).
// Then prints "CARD_PHOTO=<hex>" (the card's 1024 photo bytes, for checking answers) and
// serves until SIGINT or SIGTERM.
// --hold-reads: a card read as slow as the caller wants. Each base-message read prints
// "HOLDING" and is answered once a line comes on standard input, or at once after its end.
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "support/id_card_writer.h"
#include "support/pcsc_service.h"
#include "support/reader_sim.h"
#include "support/reader_sim_pcsc.h"

namespace {

using namespace vantel_test;

volatile std::sig_atomic_t gStop = 0;
void OnStopSignal(int) { gStop = 1; }

// The packet size of a PC/SC reader's sliced answers.
constexpr std::size_t kPcscPacketSize = 250;
constexpr auto kConnectRetry = std::chrono::milliseconds(50);

void WaitForGoAhead() {
  std::printf("HOLDING\n");
  std::fflush(stdout);
  char line[64];
  if (!std::fgets(line, sizeof line, stdin)) return;  // ended: no read waits any more
}

ApduAnswerer CardAnswerer(ReaderSim& sim, bool holdReads) {
  return PseudoApduAnswerer([&sim](const Bytes& frame) { return sim.AnswerFrame(frame); },
                            [&sim](const Bytes& apdu) { return sim.AnswerReaderCode(apdu); },
                            // Asked once per base-message read, for its first packet.
                            [&sim, holdReads](const Bytes& frame) {
                              if (holdReads) WaitForGoAhead();
                              return sim.AnswerPackets(frame, kPcscPacketSize);
                            });
}

// The card in the private pcscd's reader; null when pcscd or its reader failed.
std::unique_ptr<VirtualCard> CardInOwnPcscd(ReaderSim& sim, bool holdReads) {
  const PcscService& service = StartPcscService();
  if (!service.failure.empty()) {
    std::fprintf(stderr, "simulated_reader: %s\n", service.failure.c_str());
    return nullptr;
  }
  auto card =
      std::make_unique<VirtualCard>(service.knownReaderCardPort, CardAnswerer(sim, holdReads));
  const char* socketName = std::getenv("PCSCLITE_CSOCK_NAME");
  if (!WaitForCard(kKnownReaderName) || !socketName) {
    std::fprintf(stderr, "simulated_reader: the reader does not see its card\n");
    return nullptr;
  }
  std::printf("PCSCLITE_CSOCK_NAME=%s\n", socketName);
  return card;
}

// The card of a reader that listens on `port`, once it does; null when stopped before.
std::unique_ptr<VirtualCard> CardOfListeningReader(ReaderSim& sim, int port, bool holdReads) {
  while (!gStop) {
    auto card = std::make_unique<VirtualCard>(port, CardAnswerer(sim, holdReads));
    if (card->IsConnected()) return card;
    std::this_thread::sleep_for(kConnectRetry);
  }
  return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  int cardPort = 0;
  bool holdReads = false;
  bool understood = true;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--hold-reads") == 0) {
      holdReads = true;
    } else if (std::strcmp(argv[i], "--card-port") == 0 && i + 1 < argc) {
      cardPort = std::atoi(argv[++i]);
      understood = understood && cardPort > 0 && cardPort <= 65535;
    } else {
      understood = false;
    }
  }
  if (!understood) {
    std::fprintf(stderr, "usage: simulated_reader [--card-port PORT] [--hold-reads]\n");
    return 2;
  }
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
  ReaderSim sim;
  std::shared_ptr<SimIdentityCard> identityCard = IdCardWith(ResidentText(ResidentFields{}));
  sim.PlaceCard(identityCard);
  std::unique_ptr<VirtualCard> card =
      cardPort ? CardOfListeningReader(sim, cardPort, holdReads) : CardInOwnPcscd(sim, holdReads);
  if (!card) return 1;
  std::printf("CARD_PHOTO=");
  for (std::uint8_t byte : identityCard->photo) std::printf("%02x", byte);
  std::printf("\n");
  std::fflush(stdout);
  while (!gStop) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  return 0;
}
