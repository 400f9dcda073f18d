#pragma once
// Identity-card reads against the reader simulator on one transport at a time, with the
// photo files of the decoders in a folder of the test's own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/id_card_writer.h"
#include "support/temp_folder.h"
#include "support/transport_rig.h"

namespace vantel {

using vantel_test::Bytes;
using vantel_test::TransportRig;
using vantel_test::Via;

// Under wine each test program keeps to COM lines of its own.
constexpr int kCardComLine = 14;

class IdCardReads : public ::testing::TestWithParam<Via> {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The SAM requests of the card road, without the LED and beeper frames.
  std::vector<Bytes> CardRequests();

  TransportRig rig{GetParam(), kCardComLine};
  vantel_test::TempFolder photos;

 private:
  std::string savedTemp_;
};

// A field buffer as the decoders leave it: `text`, then NULs up to `size` bytes.
std::string Field(const std::string& text, std::size_t size);
// The bytes of a file, "" when it cannot be read.
std::string FileBytes(const std::string& path);
// The project's own decode of the simulator's portrait into a bitmap file's bytes.
std::string PortraitBitmap();

}  // namespace vantel
