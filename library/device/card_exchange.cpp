#include "library/device/card_exchange.h"

#include <algorithm>
#include <cstring>

#include "library/device/device_state.h"
#include "library/device/frames.h"
#include "library/device/hid_transport.h"

namespace vantel {

bool UsesHidReader() { return VendorPathNow(false, false) == VendorPath::kHid; }

void PrepareHidVendorReport(const std::uint8_t* payload, int length) {
  DeviceState& device = Device();
  std::memset(device.OutputReport, 0, sizeof device.OutputReport);
  std::memset(device.InputReport, 0, sizeof device.InputReport);
  std::uint8_t* frame = device.OutputReport + 1;
  frame[0] = 0x55;
  frame[1] = 0xAA;
  frame[2] = static_cast<std::uint8_t>(length + 1);
  std::memcpy(frame + 3, payload, static_cast<std::size_t>(length));
  std::uint8_t check = 0;
  for (int i = 0; i < length + 3; ++i) check ^= frame[i];
  frame[length + 3] = check;
}

int HidReportDataRoom() {
  constexpr int kAnswerHead = 5;  // 55 AA LEN status FF
  const int payload = static_cast<int>(HIDInputPayload());
  return std::min(kHidReportDataSize, std::max(payload - kAnswerHead, 0));
}

int HidAnswerDataLength() {
  const int length = Device().InputReport[3] - 3;
  return length >= 0 && length <= HidReportDataRoom() ? length : -1;
}

int StreamVendorWriteCount(const std::uint8_t* payload, int length) {
  DeviceState& device = Device();
  return WriteVendorFrame(device.gReadHandle, device.gWriteHandle, device.gTransportKind, payload,
                          length);
}

int WriteCountResult(int count) { return count == 1 ? 0 : count; }

}  // namespace vantel
