#pragma once
// What the service's card-read tests stand on: the reader simulator as the virtual card of
// the PC/SC service's known reader (port 1001 opens it), and a temporary folder of the test's
// own (TMPDIR, under wine TMP) for the photo, image and log files.
#include <memory>
#include <string>

#include "support/reader_sim.h"
#include "support/temp_folder.h"

namespace lumarin_test {

class CardReaderRig {
 public:
  CardReaderRig();
  ~CardReaderRig();
  CardReaderRig(const CardReaderRig&) = delete;
  CardReaderRig& operator=(const CardReaderRig&) = delete;

  // Attaches the simulator; why it could not be ("" when attached).
  std::string Attach();
  // Whether a rig of this process has started the PC/SC service with its reader.
  static bool ReaderAttachedBefore();
  vantel_test::ReaderSim& sim() { return sim_; }
  const vantel_test::TempFolder& temp() const { return temp_; }
  // A file of the temporary folder, whole ("" when missing).
  std::string TempFile(const std::string& name) const;

 private:
  vantel_test::TempFolder temp_;
  std::string earlierTmpdir_, earlierTmp_;
  vantel_test::ReaderSim sim_;
};

// Standard base64 of `bytes`, as a client recomputes it (OpenSSL, not the product's coder).
std::string Base64(const std::string& bytes);
// SHA-1 as 40 lower-case hex digits (OpenSSL).
std::string Sha1Hex(const std::string& bytes);

}  // namespace lumarin_test
