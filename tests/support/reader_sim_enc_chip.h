#pragma once
// The reader simulator's encryption chip (SM3 and SM4, keys, upgrade and base-message read)
// on a HID reader. It recomputes every check value with SM4 and SM3 from OpenSSL, not the
// library's, and answers status 0 only when they match; the SAM id is the simulator's.
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "support/reader_sim.h"

namespace vantel_test {

enum class EncChipFault { kWrongCrc, kWrongMarker, kWrongCommand, kStatus, kSilence, kWrongDigest };

// SM4 (ECB or CBC with the given IV) and SM3 through OpenSSL.
Bytes OpenSslSm4(const Bytes& key16, const Bytes& data, bool encrypt, const Bytes& cbcIv = {});
Bytes OpenSslSm3(const Bytes& data);
// The SAM's fingerprint base-message answer: lengths, text, photo, fingerprint.
Bytes FingerprintBaseMsgFrame(const Bytes& text, const Bytes& photo, const Bytes& fingerprint);
// A chip frame with the given marker and body after LEN (00 00, CMD, ...), CRC computed bit by
// bit.
Bytes EncChipFrame(std::uint8_t marker, const Bytes& bodyAfterLength);

class SimEncChip {
 public:
  static constexpr std::uint8_t kBadCheckStatus = 0x05;

  // Registers itself as `sim`'s chip for its lifetime.
  explicit SimEncChip(ReaderSim& sim);
  ~SimEncChip();

  Bytes id;                       // 19 bytes
  std::deque<Bytes> randoms;      // handed out in turn, then a counting pattern
  Bytes w = {'w', '-', 's', 'e', 'c', 'r', 'e', 't'};
  std::map<std::uint32_t, Bytes> keys;  // what command 07 hands out, by index
  // The SAM's fingerprint base-message answer frame that command 09 carries: the simulator's
  // identity-card text, a photo from the test photo encoder and a fingerprint.
  Bytes baseMsgFrame;
  Bytes value32 = Bytes(32, 0x32), value16 = Bytes(16, 0x16), lead3{0x01, 0x02, 0x03};

  // The fault on an answer still to come: 0 the next one, 1 the one after, ...
  void FailAnswer(std::size_t fromNow, EncChipFault fault) { faults_[answers_ + fromNow] = fault; }

  // What was received, for wire checks.
  std::vector<Bytes> requests;
  std::map<std::uint32_t, Bytes> updatedKeys;  // command 06: the 48 bytes after the index
  Bytes upgradeBlock;

 private:
  std::optional<Bytes> Answer(const Bytes& frame);
  Bytes AnswerCommand(std::uint8_t command, const Bytes& args, bool wrongDigest);
  Bytes NextRandom(std::size_t count);
  Bytes Derive(const Bytes& a, const Bytes& x, const Bytes& b, const Bytes& key) const;

  ReaderSim& sim_;
  Bytes lastRandom_;
  std::map<std::size_t, EncChipFault> faults_;  // by answer number
  std::size_t answers_ = 0;
  std::uint8_t randomCounter_ = 0x40;
};

}  // namespace vantel_test
