#include "answer_fixture.h"

#include <filesystem>

#include "library/device/library_setup.h"
#include "support/environment.h"

namespace vantel {
namespace {

// The variables that name the temporary folder on Linux and under Windows.
const char* const kTempVariables[3] = {"TMPDIR", "TMP", "TEMP"};

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
