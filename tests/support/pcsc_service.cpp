#include "support/pcsc_service.h"

#include "platform/clock.h"
#include "platform/pcsc.h"

namespace vantel_test {

namespace {

// Whether a connection to the reader comes to match `present` within seconds.
bool WaitForCardPresence(const std::string& readerName, bool present) {
  constexpr std::uint32_t kLimitMs = 10000;
  platform::PcscContext context = 0;
  if (!platform::PcscEstablishContext(&context)) return false;
  const std::uint32_t start = platform::TickCountMs();
  bool matched = false;
  while (!matched && platform::TickCountMs() - start < kLimitMs) {
    platform::PcscCard card = 0;
    std::uint32_t protocol = 0;
    const bool connected = platform::PcscConnect(context, readerName, &card, &protocol);
    if (connected) platform::PcscDisconnect(card, platform::PcscDisposition::kLeaveCard);
    matched = connected == present;
    if (!matched) platform::SleepMs(100);
  }
  platform::PcscReleaseContext(context);
  return matched;
}

}  // namespace

bool WaitForCard(const std::string& readerName) { return WaitForCardPresence(readerName, true); }

bool WaitForNoCard(const std::string& readerName) { return WaitForCardPresence(readerName, false); }

}  // namespace vantel_test
