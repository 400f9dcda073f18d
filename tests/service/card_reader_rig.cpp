#include "card_reader_rig.h"

#include <openssl/evp.h>
#include <openssl/sha.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "support/environment.h"
#include "support/pcsc_service.h"
#include "support/reader_sim_pcsc.h"

namespace lumarin_test {
namespace {

using vantel_test::Bytes;

constexpr std::size_t kPcscPacketSize = 250;

std::atomic<vantel_test::ReaderSim*> currentSim{nullptr};
std::atomic<bool> serviceStarted{false};

// One virtual card for the program's life; it answers through whichever rig is current and
// stays silent between them.
vantel_test::VirtualCard* TheVirtualCard(int port) {
  static auto* card = vantel_test::ProgramLongVirtualCard(
      port, vantel_test::PseudoApduAnswerer(
                [](const Bytes& frame) {
                  vantel_test::ReaderSim* sim = currentSim.load();
                  return sim ? sim->AnswerFrame(frame) : Bytes{};
                },
                [](const Bytes& apdu) {
                  vantel_test::ReaderSim* sim = currentSim.load();
                  return sim ? sim->AnswerReaderCode(apdu) : Bytes{0x6D, 0x00};
                },
                [](const Bytes& frame) {
                  vantel_test::ReaderSim* sim = currentSim.load();
                  return sim ? sim->AnswerPackets(frame, kPcscPacketSize) : std::vector<Bytes>{};
                }));
  return card;
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

void Restore(const char* name, const std::string& value) {
  if (value.empty())
    vantel_test::UnsetEnvironment(name);
  else
    vantel_test::SetEnvironment(name, value);
}

}  // namespace

CardReaderRig::CardReaderRig() : earlierTmpdir_(Variable("TMPDIR")), earlierTmp_(Variable("TMP")) {
  vantel_test::SetEnvironment("TMPDIR", temp_.path().string());
  vantel_test::SetEnvironment("TMP", temp_.path().string());
}

CardReaderRig::~CardReaderRig() {
  currentSim.store(nullptr);
  Restore("TMPDIR", earlierTmpdir_);
  Restore("TMP", earlierTmp_);
}

bool CardReaderRig::ReaderAttachedBefore() { return serviceStarted.load(); }

std::string CardReaderRig::Attach() {
  serviceStarted.store(true);
  const vantel_test::PcscService& service = vantel_test::StartPcscService();
  if (!service.failure.empty()) return service.failure;
  currentSim.store(&sim_);
  if (!TheVirtualCard(service.knownReaderCardPort)->IsConnected())
    return "the virtual card did not connect";
  if (!vantel_test::WaitForCard(vantel_test::kKnownReaderName))
    return "the PC/SC reader saw no card";
  return "";
}

std::string CardReaderRig::TempFile(const std::string& name) const {
  std::ifstream file(temp_.File(name), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string Base64(const std::string& bytes) {
  std::vector<unsigned char> text(4 * ((bytes.size() + 2) / 3) + 1);
  const int length = EVP_EncodeBlock(text.data(), reinterpret_cast<const unsigned char*>(bytes.data()),
                                     static_cast<int>(bytes.size()));
  return std::string(reinterpret_cast<const char*>(text.data()), static_cast<std::size_t>(length));
}

std::string Sha1Hex(const std::string& bytes) {
  unsigned char digest[SHA_DIGEST_LENGTH];
  SHA1(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), digest);
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (unsigned char byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

}  // namespace lumarin_test

// The contexts that the reader library and the PC/SC test support keep for the process's life
// show as leaks of the PC/SC client library in these programs: they are that library's to keep.
extern "C" const char* __lsan_default_suppressions() { return "leak:libpcsclite.so"; }
