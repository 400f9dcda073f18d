#pragma once
// Setting environment variables from a test, on every system alike.
#include <string>

namespace vantel_test {

void SetEnvironment(const std::string& name, const std::string& value);
void UnsetEnvironment(const std::string& name);

}  // namespace vantel_test
