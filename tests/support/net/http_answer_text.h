#pragma once
// The service's HTTP answers as the test expects them on the wire, spelled out here rather than
// taken from the service's own constants.
#include <string>

namespace vantel_test {

extern const std::string kEmptyOkAnswer;
extern const std::string kNotFoundAnswer;
// The 200 answer carrying `body`, its length in bytes as Content-Length.
std::string OkAnswer(const std::string& body);

}  // namespace vantel_test
