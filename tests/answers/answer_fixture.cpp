#include "answer_fixture.h"

#include <filesystem>

#include "library/device/device_state.h"
#include "library/device/library_setup.h"
#include "platform/pcsc.h"
#include "support/environment.h"

namespace vantel {
namespace {

// The variables that name the temporary folder on Linux and under Windows.
const char* const kTempVariables[3] = {"TMPDIR", "TMP", "TEMP"};

// The library keeps its PC/SC context for the life of the process: released when the
// program's tests are done, so that the leak check counts only real leaks.
class ReleasePcscContext : public ::testing::Environment {
 public:
  void TearDown() override {
    PcscState& pcsc = Device().pcsc;
    if (pcsc.haveContext) platform::PcscReleaseContext(pcsc.context);
    pcsc = PcscState{};
  }
};
::testing::Environment* const kReleasePcscContext =
    ::testing::AddGlobalTestEnvironment(new ReleasePcscContext);

}  // namespace

TempFolderVariables::TempFolderVariables(const std::string& folder)
    : saved_(std::filesystem::temp_directory_path().string()) {
  for (const char* variable : kTempVariables) vantel_test::SetEnvironment(variable, folder);
}

TempFolderVariables::~TempFolderVariables() {
  for (const char* variable : kTempVariables) vantel_test::SetEnvironment(variable, saved_);
}

void JsonAnswers::SetUp() {
  if (!rig.failure().empty()) GTEST_SKIP() << rig.failure();
  SetUpLibraryIn(photos.path().string());
  rig.sim().ClearRequests();
}

}  // namespace vantel
