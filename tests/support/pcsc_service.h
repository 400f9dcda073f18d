#pragma once
// The PC/SC service the tests run against, started once per test program: natively an own
// pcscd (in a private mount namespace, so it never meets a system pcscd) with two vpcd
// readers; under wine the test-only WinSCard.dll beside the program, which plays vpcd
// itself. The readers are named so that the Windows-form names read
// "Kestor Passport Reader 0" / "1" and "Acme Card Reader 0" / "1".
#include <string>

namespace vantel_test {

constexpr const char* kKnownReaderName = "Kestor Passport Reader 0";
constexpr const char* kUnknownReaderName = "Acme Card Reader 0";

struct PcscService {
  // The card ports of the first slot of each reader.
  int knownReaderCardPort = 0;
  int unknownReaderCardPort = 0;
  // Why the service could not be had ("" when it runs).
  std::string failure;
};

// Starts the service on first use.
const PcscService& StartPcscService();
// Stops the started service and starts it again, as a system does after an update; the
// virtual cards connect again by themselves. False when it did not come back.
bool RestartPcscService();

// Resets the known reader's card as another program sharing it may: every handle connected
// to it before is then refused until it reconnects. False when the card was not reset.
bool ResetCardFromOutside();

// Waits until the reader sees its virtual card; false when it does not within seconds.
bool WaitForCard(const std::string& readerName);
// Waits until the reader sees no card; false when it still does after seconds.
bool WaitForNoCard(const std::string& readerName);

}  // namespace vantel_test
