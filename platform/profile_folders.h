#pragma once
// The folder that all users of the machine share for program data.
#include <string>

namespace platform {

// Windows: the environment variable ALLUSERSPROFILE. Linux: ALLUSERSPROFILE when it is
// set, else /var/lib, the system's place for program state shared by all users.
std::string AllUsersProfileFolder();

}  // namespace platform
