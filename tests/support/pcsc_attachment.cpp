#include "support/pcsc_attachment.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "support/pcsc_service.h"
#include "support/reader_sim_pcsc.h"

namespace vantel_test {
namespace {

// The PC/SC service's virtual card serves the whole program (its reader needs a while to
// notice a card); it answers through the simulator that is current.
std::atomic<ReaderSim*> currentPcscSim{nullptr};
constexpr std::size_t kPcscPacketSize = 250;

class AnswerHold {
 public:
  void Set(bool held) {
    std::lock_guard<std::mutex> lock(mutex_);
    held_ = held;
    changed_.notify_all();
  }
  // On the card's thread, before each answer.
  void Pass() {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!held_) return;
    ++waiting_;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !held_; });
    --waiting_;
  }
  bool WaitForWaiting(std::chrono::milliseconds limit) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, limit, [this] { return waiting_ > 0; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
  int waiting_ = 0;
};

AnswerHold& TheHold() {
  static AnswerHold* hold = new AnswerHold;
  return *hold;
}

ApduAnswerer HeldAnswerer(ApduAnswerer answerer) {
  return [answerer](const Bytes& apdu) {
    TheHold().Pass();
    return answerer(apdu);
  };
}

VirtualCard* TheVirtualCard(int port) {
  static VirtualCard* card = ProgramLongVirtualCard(
      port, HeldAnswerer(PseudoApduAnswerer(
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
                })));
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

bool SwapPcscCard() {
  VirtualCard* card = TheVirtualCard(0);
  card->TakeOut();
  const bool seenOut = WaitForNoCard(kKnownReaderName);
  card->PutIn();
  return seenOut && WaitForCard(kKnownReaderName);
}

void HoldPcscAnswers() { TheHold().Set(true); }
void ReleasePcscAnswers() { TheHold().Set(false); }
bool WaitForHeldPcscApdu(std::chrono::milliseconds limit) { return TheHold().WaitForWaiting(limit); }

}  // namespace vantel_test
