// Each test program writes into a temporary folder of its own: the library and the service
// use fixed file names there ("photo.wlt", "photo.jpg", the service log), and CTest runs
// test programs side by side.
#include "support/environment.h"
#include "support/temp_folder.h"

namespace {

struct ProgramTempFolder {
  ProgramTempFolder() {
    for (const char* name : {"TMPDIR", "TMP", "TEMP"})
      vantel_test::SetEnvironment(name, folder.path().string());
  }
  vantel_test::TempFolder folder;
};

const ProgramTempFolder gProgramTempFolder;

}  // namespace
