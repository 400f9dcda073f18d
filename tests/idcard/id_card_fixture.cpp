#include "id_card_fixture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "library/cards/photo/wlt_decoder.h"
#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "library/device/port_api.h"
#include "platform/files.h"
#include "support/environment.h"

namespace vantel {
namespace {

// The variables that name the temporary folder on Linux and under Windows.
const char* const kTempVariables[3] = {"TMPDIR", "TMP", "TEMP"};
constexpr std::uint8_t kLedCommand = 0xC0;

bool IsCardRequest(const Bytes& frame) {
  return frame.size() > 8 && frame[0] == 0xAA && frame[7] != kLedCommand;
}

}  // namespace

void IdCardReads::SetUp() {
  if (!rig.failure().empty()) GTEST_SKIP() << rig.failure();
  // What the variables come back to: the folder they name now.
  savedTemp_ = std::filesystem::temp_directory_path().string();
  for (const char* variable : kTempVariables) vantel_test::SetEnvironment(variable, photos.path().string());
  // The network rig keeps the folder of its "kestor.ini".
  if (GetParam() != Via::kNetwork) SetUpLibraryIn(photos.path().string());
  ASSERT_EQ(InitComm(rig.Port()), 1);
  // The confirmation beeps are left to the test that listens for them.
  Device().gMute = 1;
  rig.sim().ClearRequests();
}

void IdCardReads::TearDown() {
  if (savedTemp_.empty()) return;
  for (const char* variable : kTempVariables) vantel_test::SetEnvironment(variable, savedTemp_);
}

std::vector<Bytes> IdCardReads::CardRequests() {
  std::vector<Bytes> card;
  for (const Bytes& frame : rig.sim().Requests())
    if (IsCardRequest(frame)) card.push_back(frame);
  return card;
}

std::string Field(const std::string& text, std::size_t size) {
  std::string field = text;
  field.resize(size, '\0');
  return field;
}

std::string FileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string PortraitBitmap() {
  std::vector<std::uint8_t> bitmap(kWltBitmapSize);
  int length = 0;
  WltToBitmap(vantel_test::PortraitPhoto().data(), bitmap.data(), &length);
  return std::string(bitmap.begin(), bitmap.begin() + length);
}

}  // namespace vantel
