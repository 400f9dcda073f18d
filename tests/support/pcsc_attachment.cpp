#include "support/pcsc_attachment.h"

#include <atomic>

#include "support/pcsc_service.h"
#include "support/reader_sim_pcsc.h"

namespace vantel_test {
namespace {

// The PC/SC service's virtual card lives for the whole program (its reader needs a while
// to notice a card); it answers through the simulator that is current.
std::atomic<ReaderSim*> currentPcscSim{nullptr};
constexpr std::size_t kPcscPacketSize = 250;

VirtualCard* TheVirtualCard(int port) {
  static VirtualCard* card = new VirtualCard(
      port, PseudoApduAnswerer(
                [](const Bytes& frame) {
                  ReaderSim* sim = currentPcscSim.load();
                  return sim ? sim->AnswerFrame(frame) : Bytes{};
                },
                [](const Bytes& apdu) {
                  ReaderSim* sim = currentPcscSim.load();
                  return sim ? sim->AnswerReaderCode(apdu) : Bytes{};
                },
                [](const Bytes& frame) {
                  ReaderSim* sim = currentPcscSim.load();
                  return sim ? sim->AnswerPackets(frame, kPcscPacketSize) : std::vector<Bytes>{};
                }));
  return card;
}

}  // namespace

std::string AttachPcscSim(ReaderSim* sim, std::size_t* apdusBefore) {
  currentPcscSim = sim;
  if (!sim) return "";
  const PcscService& service = StartPcscService();
  if (!service.failure.empty()) return service.failure;
  VirtualCard* card = TheVirtualCard(service.knownReaderCardPort);
  if (apdusBefore) *apdusBefore = card->Apdus().size();
  if (!card->IsConnected()) return "the virtual card did not connect";
  if (!WaitForCard(kKnownReaderName)) return "the PC/SC reader saw no card";
  return "";
}

std::vector<Bytes> PcscCardApdus() { return TheVirtualCard(0)->Apdus(); }

}  // namespace vantel_test
