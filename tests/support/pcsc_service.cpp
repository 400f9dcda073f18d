#include "support/pcsc_service.h"

#include "platform/clock.h"
#include "platform/pcsc.h"

namespace vantel_test {

bool WaitForCard(const std::string& readerName) {
  constexpr std::uint32_t kLimitMs = 10000;
  platform::PcscContext context = 0;
  if (!platform::PcscEstablishContext(&context)) return false;
  const std::uint32_t start = platform::TickCountMs();
  bool seen = false;
  while (!seen && platform::TickCountMs() - start < kLimitMs) {
    platform::PcscCard card = 0;
    std::uint32_t protocol = 0;
    seen = platform::PcscConnect(context, readerName, &card, &protocol);
    if (seen)
      platform::PcscDisconnect(card, platform::PcscDisposition::kLeaveCard);
    else
      platform::SleepMs(100);
  }
  platform::PcscReleaseContext(context);
  return seen;
}

}  // namespace vantel_test
