#pragma once
// What the base-message reads, plain and with fingerprint, share: the tries, the answer wait
// of the byte stream, the shortest serial answer and the failure codes that mean the same in
// both.

namespace vantel::base_msg {

constexpr int kTries = 3;
constexpr int kStreamAnswerWaitMs = 10000;
constexpr unsigned kMinSerialLength = 15;

constexpr int kOpenFailed = 1;
constexpr int kNotWritten = 2;
constexpr int kNoUsableAnswer = 3;
constexpr int kNetSendFailed = 4;
constexpr int kShortSerialAnswer = 4;
constexpr int kNetNothingReceived = 5;
constexpr int kNotAStreamPort = 5;

}  // namespace vantel::base_msg
