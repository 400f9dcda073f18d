#include "support/environment.h"

#include <cstdlib>

namespace vantel_test {

void SetEnvironment(const std::string& name, const std::string& value) {
#if defined(_WIN32)
  _putenv_s(name.c_str(), value.c_str());
#else
  setenv(name.c_str(), value.c_str(), 1);
#endif
}

void UnsetEnvironment(const std::string& name) {
#if defined(_WIN32)
  _putenv_s(name.c_str(), "");  // an empty value removes it
#else
  unsetenv(name.c_str());
#endif
}

bool InContinuousIntegration() {
  const char* ci = std::getenv("CI");
  return ci && *ci;
}

}  // namespace vantel_test
