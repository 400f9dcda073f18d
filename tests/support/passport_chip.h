#pragma once
// An e-passport chip (ICAO 9303 eMRTD with Basic Access Control) for the reader simulator's
// PC/SC card: keyed from an MRZ line, holding EF.COM, DG1, DG11, DG2 and DG15, it answers
// SELECT of the eMRTD application, the plain READ BINARY (69 82), GET CHALLENGE, MUTUAL
// AUTHENTICATE and secure-messaging READ BINARY by short file id or by offset, checking each
// command's MAC against its SSC. Its SHA-1 and DES come from OpenSSL, not from the library.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vantel_test {

using Bytes = std::vector<std::uint8_t>;

// The chip's ciphers, usable by tests that need values made independently of the library.
namespace chip_crypto {
Bytes Sha1(const Bytes& data);
// Two-key triple DES in CBC with a zero IV over whole blocks.
Bytes Des3Cbc(const Bytes& key16, const Bytes& data, bool encrypt);
// ISO 9797-1 padding method 2.
Bytes Pad(const Bytes& data);
// MAC algorithm 3 over `data` padded with method 2.
Bytes RetailMac(const Bytes& key16, const Bytes& data);
// ICAO 9303 key derivation: SHA-1(seed || 00 00 00 counter), first 16 bytes.
Bytes DeriveKey(const Bytes& seed16, std::uint8_t counter);
// The protected READ BINARY a terminal sends at `ssc` (already incremented).
Bytes ProtectedRead(const Bytes& ksMac, const Bytes& ssc, std::uint8_t p1, std::uint8_t p2, std::uint8_t le);
}  // namespace chip_crypto

enum class ChipFault {
  kStatus,        // the answer is 6F 00
  kAnswerMac,     // the answer's MAC (M_IC or DO8E) has a byte flipped
  kFirstTag,      // the data's first byte is changed before it is enciphered
  kOtherRndIc,    // the authentication answer carries another RND.IC, under a valid MAC
  kOtherRndIfd,   // ... another RND.IFD, as a recorded answer to another access would
  kInnerStatus,   // the protected status (DO99) is 6A 82 in a 90 00 answer, under a valid MAC
  kInnerStatusFirstByte,   // ... 6B 00: only its first byte is not 90 00's
  kInnerStatusSecondByte,  // ... 90 01: only its second byte is
};

class PassportChip {
 public:
  // The worked example's RND.IC and K.IC unless set otherwise.
  explicit PassportChip(const std::string& mrz);

  void SetRandom(const Bytes& rndIc, const Bytes& kIc);
  void RemoveFile(std::uint8_t shortId);
  const Bytes& File(std::uint8_t shortId) const { return files_.at(shortId); }
  // The fault on the answer to the n-th APDU the chip receives (0 the first).
  void FailAt(std::size_t apduIndex, ChipFault fault) { faults_[apduIndex] = fault; }

  Bytes Answer(const Bytes& apdu);

  // The session once mutual authentication has passed.
  const Bytes& SessionMacKey() const { return ksMac_; }
  const Bytes& StartSsc() const { return startSsc_; }

 private:
  Bytes AnswerCommand(const Bytes& apdu, const ChipFault* fault);
  Bytes MutualAuthenticate(const Bytes& apdu, const ChipFault* fault);
  Bytes SecureRead(const Bytes& apdu, const ChipFault* fault);

  Bytes kEnc_, kMac_;
  Bytes rndIc_, kIc_;
  Bytes ksEnc_, ksMac_, ssc_, startSsc_;
  bool authenticated_ = false;
  int currentFile_ = -1;
  std::map<std::uint8_t, Bytes> files_;
  std::map<std::size_t, ChipFault> faults_;
  std::size_t apduCount_ = 0;
};

}  // namespace vantel_test
