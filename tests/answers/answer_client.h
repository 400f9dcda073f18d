#pragma once
// What a web page does with a card answer: take its UTF-8 form, parse it (jsoncpp) and
// recompute the signature from the values it holds (SHA-1 from OpenSSL, not the library's).
#include <gtest/gtest.h>
#include <json/json.h>

#include <string>

namespace vantel_test {

// The answer's UTF-8 form parsed; a null value when it is no valid JSON.
Json::Value ParseAnswer(const std::string& ansiAnswer);

// SHA-1 of `input` as 40 lower-case hex digits.
std::string Sha1Hex(const std::string& input);

// The signature a client computes over the parsed resultContent.
std::string ClientSignature(const Json::Value& content);

// Valid JSON whose "signature" is what the client computes.
::testing::AssertionResult SignatureHolds(const std::string& ansiAnswer);

}  // namespace vantel_test
