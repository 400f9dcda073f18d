#pragma once
// Setting environment variables from a test, on every system alike.
#include <string>

namespace vantel_test {

void SetEnvironment(const std::string& name, const std::string& value);
void UnsetEnvironment(const std::string& name);

// Whether the tests run in CI (the variable CI is set), where a missing service is a fault.
bool InContinuousIntegration();

}  // namespace vantel_test

// Skips the test when `why` ("" when nothing is missing) names what its set-up could not
// have (a pcscd, the vpcd driver, a private mount namespace, a serial line); in CI it fails
// instead, so that a run cannot pass without the coverage.
#define VANTEL_SKIP_UNLESS_CI(why)                                      \
  do {                                                                  \
    const std::string vantelMissing = (why);                            \
    if (!vantelMissing.empty()) {                                       \
      if (vantel_test::InContinuousIntegration()) FAIL() << vantelMissing; \
      GTEST_SKIP() << vantelMissing;                                    \
    }                                                                   \
  } while (false)

namespace vantel_test {

}  // namespace vantel_test
