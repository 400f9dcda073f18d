#pragma once
// What the library does once when a process loads it.
#include <string>

namespace vantel {

// The library's folder: that of the module named "Pelvorin" (its internal name), or of the
// running program when no module has that name. No trailing separator.
std::string FindLibraryFolder();

// The folder the set-up ran in (where "kestor.ini" lives); FindLibraryFolder() before that.
std::string LibraryFolder();

// Loads the card-image library from `folder`, reads the log switch from its "kestor.ini"
// and makes `folder` the library search folder.
void SetUpLibraryIn(const std::string& folder);

// Both steps, as the load-time entry runs them.
void RunLoadTimeSetup();

}  // namespace vantel
