#pragma once
// The JSON answer layer against the reader simulator on the transports that port 1001
// reaches: the HID double, the USB driver double, a PC/SC reader. The temporary folder and
// the library's folder are a folder of the test's own.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "support/reader_sim_cards.h"
#include "support/temp_folder.h"
#include "support/transport_rig.h"

namespace vantel {

using vantel_test::Bytes;
using vantel_test::TransportRig;
using vantel_test::Via;

// The transports of this test program.
std::vector<Via> AnswerTransports();

// Answers are copied into buffers of this byte, so that the end of each shows.
constexpr char kUntouched = '\xCC';

// Points the temporary-folder variables at `folder` for the life of the object.
class TempFolderVariables {
 public:
  explicit TempFolderVariables(const std::string& folder);
  ~TempFolderVariables();

 private:
  std::string saved_;
};

class JsonAnswers : public ::testing::TestWithParam<Via> {
 protected:
  void SetUp() override;

  template <typename Card, typename... Args>
  Card* Place(Args... args) {
    auto card = std::make_shared<Card>(args...);
    rig.sim().PlaceCard(card);
    return card.get();
  }

  TransportRig rig{GetParam()};
  vantel_test::TempFolder photos;
  TempFolderVariables temp{photos.path().string()};
};

}  // namespace vantel
