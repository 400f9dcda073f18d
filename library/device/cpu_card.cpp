#include "library/device/cpu_card.h"

#include <cstdint>
#include <cstring>

#include "library/device/card_exchange.h"
#include "library/device/device_state.h"

namespace vantel {
namespace {

constexpr int kNothingSent = -2;
constexpr int kNoAnswer = -3;
constexpr std::uint8_t kDone = 0x56;

// A command answered with the plain success status 56 FF; its PC/SC form, if any, is
// refused by the answer's first byte.
struct StatusCommand {
  std::uint8_t payload[4];
  int length;
  const char* pcscText;
  std::uint8_t pcscRefusal;
};

int RunStatusCommand(const StatusCommand& command) {
  if (command.pcscText && PcscConnected()) {
    std::uint8_t answer[kPcscAnswerSize];
    const int received = PcscVendorExchange(command.pcscText, answer);
    return received >= 2 && answer[0] != command.pcscRefusal ? 1 : 0;
  }
  if (UsesHidReader()) {
    HidVendorExchange(command.payload, command.length);
    const std::uint8_t* report = Device().InputReport;
    return report[4] == kDone && report[5] == 0xFF ? 1 : 0;
  }
  StreamAnswer answer;
  if (!StreamVendorExchange(command.payload, command.length, &answer)) return kNothingSent;
  if (!answer.Read()) return kNoAnswer;
  return answer.length == 4 && answer.Is(kDone) ? 1 : 0;
}

}  // namespace

int ActivateCpuCard() {
  return RunStatusCommand({{0x53, 0xFF, 0xFF}, 3, "FF97100300", 0xFC});
}

int PowerOffCpuCard() {
  return RunStatusCommand({{0x52, 0xFF, 0xFF}, 3, "FF97100400", 0xFB});
}

int SetCpuCardPps(int p1, int p2) {
  return RunStatusCommand(
      {{0x55, 0xFF, static_cast<std::uint8_t>(p1), static_cast<std::uint8_t>(p2)}, 4, nullptr, 0});
}

int ReadCpuCardAts(unsigned char* ats, int* atsLen) {
  if (!ats || !atsLen) return -1;
  const std::uint8_t payload[] = {0x54, 0xFF, 0xFF};
  if (UsesHidReader()) {
    HidVendorExchange(payload, sizeof payload);
    const std::uint8_t* report = Device().InputReport;
    const int length = HidAnswerDataLength();
    if (report[4] != 0x54 || report[5] != 0xFF || length < 0) return 0;
    std::memcpy(ats, report + 6, static_cast<std::size_t>(length));
    *atsLen = length;
    return 1;
  }
  StreamAnswer answer;
  if (!StreamVendorExchange(payload, sizeof payload, &answer)) return kNothingSent;
  if (!answer.Read()) return kNoAnswer;
  if (!answer.Is(0x54) || answer.DataLength() > kMaxAtsLength) return 0;
  std::memcpy(ats, answer.body + 2, answer.DataLength());
  *atsLen = static_cast<int>(answer.DataLength());
  return 1;
}

}  // namespace vantel
