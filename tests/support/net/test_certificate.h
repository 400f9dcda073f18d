#pragma once
// A certificate for the HTTPS tests, made fresh by the test rather than kept in the tree.
#include <filesystem>

namespace vantel_test {

// Writes a self-signed certificate for 127.0.0.1 as "server.crt" and its EC key as
// "server.key" (both PEM) into `folder`; false when either could not be written.
bool WriteTestCertificate(const std::filesystem::path& folder);

}  // namespace vantel_test
