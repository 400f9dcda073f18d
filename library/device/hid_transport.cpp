#include "library/device/hid_transport.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "library/device/device_state.h"
#include "platform/clock.h"

namespace vantel {
namespace {

constexpr int kSetReportTries = 11;
constexpr std::uint32_t kSetReportPauseMs = 10;
constexpr int kGetReportTries = 4;
constexpr std::uint32_t kGetReportPauseMs = 1;
constexpr std::uint32_t kWriteLimitMs = 2000;
constexpr std::uint32_t kReadLimitMs = 6000;

bool UsesReportCalls() { return Settings().table[kHidReportMode] == 1; }

bool IsMatchingReader(platform::HidDevice& device) {
  platform::HidAttributes attributes;
  return device.Attributes(&attributes) &&
         attributes.vendorId == static_cast<std::uint16_t>(Settings().table[kHidVendorId]) &&
         attributes.productId == static_cast<std::uint16_t>(Settings().table[kHidProductId]);
}

// The report buffers hold what the capabilities promise, never more than the state's.
std::size_t OutputLength() {
  return std::min<std::size_t>(Device().hid.outputReportLength, sizeof Device().OutputReport);
}
std::size_t InputLength() {
  return std::min<std::size_t>(Device().hid.inputReportLength, sizeof Device().InputReport);
}

bool IsAllZero(const std::uint8_t* report, std::size_t length) {
  return std::all_of(report, report + length, [](std::uint8_t byte) { return byte == 0; });
}

bool WriteWithReportCalls(platform::HidDevice* output) {
  if (!output) return false;
  for (int attempt = 0; attempt < kSetReportTries; ++attempt) {
    if (output->SetOutputReport(Device().OutputReport, OutputLength())) return true;
    platform::SleepMs(kSetReportPauseMs);
  }
  return false;
}

bool WriteOverlapped(platform::HidDevice* output) {
  return output && output->WriteReport(Device().OutputReport, OutputLength(), kWriteLimitMs) ==
                       platform::HidTransfer::kDone;
}

// True when a report came (an all-zero last try included).
bool ReadWithReportCalls(platform::HidDevice* input, bool first) {
  DeviceState& device = Device();
  bool lastSucceeded = false;
  for (int attempt = 0; input && attempt < kGetReportTries; ++attempt) {
    platform::SleepMs(kGetReportPauseMs);
    lastSucceeded = input->GetInputReport(device.InputReport, InputLength());
    if (lastSucceeded && (!first || device.hid.gAcceptEmptyReport == 1 ||
                          !IsAllZero(device.InputReport, InputLength())))
      return true;
  }
  if (!lastSucceeded) device.hid.gHidOpen = 0;
  return lastSucceeded;
}

// Forgets the selected reader. Its read and write handles go with it: kept, they would
// outlive an enumeration that selects no reader, be used for a reader that may be gone, and
// never be closed.
void DropSelectedReader(HidState& hid) {
  hid.gHidInputHandle.reset();
  hid.gHidOutputHandle.reset();
  hid.gHidDevice = nullptr;
}

// The device path of the selected reader; "" when none is selected.
std::string SelectedReaderPath(const HidState& hid) {
  if (!hid.gHidDevice) return "";
  for (const HidTableEntry& entry : hid.gHidDevices)
    if (entry.device.get() == hid.gHidDevice) return entry.path;
  return "";
}

// The number (1-based) of the listed reader at `path`; 0 when none is.
int ListedReaderAt(const HidState& hid, const std::string& path) {
  for (int n = 1; n <= hid.gHidCount && !path.empty(); ++n)
    if (hid.gHidDevices[n - 1].path == path) return n;
  return 0;
}

// True when a report came. A read that does not closes the handles, so that the reads after
// it fail at once instead of each waiting out its limit; the reader stays the one chosen.
bool ReadOverlapped(platform::HidDevice* input) {
  DeviceState& device = Device();
  if (input && input->ReadReport(device.InputReport, InputLength(), kReadLimitMs) ==
                   platform::HidTransfer::kDone)
    return true;
  std::string chosen = SelectedReaderPath(device.hid);
  HIDCloseHandles();
  device.hid.chosenPath = std::move(chosen);
  device.hid.gHidOpen = 0;
  return false;
}

// A long answer's next report: true when it came.
bool ReadLongReport(bool first) {
  DeviceState& device = Device();
  std::memset(device.InputReport, 0, sizeof device.InputReport);
  platform::HidDevice* input = device.hid.gHidInputHandle.get();
  return UsesReportCalls() ? ReadWithReportCalls(input, first) : ReadOverlapped(input);
}

}  // namespace

bool HIDEnumerate() {
  HidState& hid = Device().hid;
  const std::string selectedPath = hid.gHidDevice ? SelectedReaderPath(hid) : hid.chosenPath;
  DropSelectedReader(hid);
  hid.chosenPath.clear();
  hid.gHidCount = 0;
  for (HidTableEntry& entry : hid.gHidDevices) entry = HidTableEntry{};
  for (const std::string& path : platform::Hid().DevicePaths()) {
    if (hid.gHidCount == kHidTableSize) break;  // the table is full; later readers stay unseen
    std::unique_ptr<platform::HidDevice> device =
        platform::Hid().Open(path, platform::HidAccess::kQuery);
    if (!device) continue;
    device->SetInputBufferCount(static_cast<std::uint32_t>(Settings().table[kHidInputBuffers]));
    if (!IsMatchingReader(*device)) continue;
    hid.gHidDevices[hid.gHidCount++] = HidTableEntry{std::move(device), path};
  }
  if (hid.gHidCount == 1)
    HIDSelect(1);
  else if (const int again = ListedReaderAt(hid, selectedPath))
    HIDSelect(again);  // a reader chosen among several stays chosen while it is there
  return hid.gHidCount > 0;
}

int HIDSelect(int n) {
  HidState& hid = Device().hid;
  if (n < 1 || n > hid.gHidCount) return 0;
  HidTableEntry& entry = hid.gHidDevices[n - 1];
  hid.gHidDevice = entry.device.get();
  platform::HidCapabilities capabilities;
  if (hid.gHidDevice && hid.gHidDevice->Capabilities(&capabilities)) {
    hid.inputReportLength = capabilities.inputReportLength;
    hid.outputReportLength = capabilities.outputReportLength;
  }
  hid.gHidOutputHandle = platform::Hid().Open(entry.path, platform::HidAccess::kWrite);
  hid.gHidInputHandle = platform::Hid().Open(entry.path, platform::HidAccess::kRead);
  return hid.gHidOutputHandle && hid.gHidInputHandle && hid.gHidDevice ? 1 : 0;
}

int GetHIDCount() { return Device().hid.gHidCount; }

void HIDCloseHandles() {
  HidState& hid = Device().hid;
  if (!hid.gHidDevice) return;
  // The query handle belongs to its table entry: closing it there keeps a later select
  // from using a closed handle.
  for (HidTableEntry& entry : hid.gHidDevices)
    if (entry.device.get() == hid.gHidDevice) entry.device.reset();
  DropSelectedReader(hid);
  hid.chosenPath.clear();
}

void HIDWriteReport() {
  DeviceState& device = Device();
  device.OutputReport[0] = 0;
  platform::HidDevice* output = device.hid.gHidOutputHandle.get();
  const bool written = UsesReportCalls() ? WriteWithReportCalls(output) : WriteOverlapped(output);
  if (!written) device.hid.gHidOpen = 0;
}

void HIDGetReport() { HIDGetLongReport(true); }

void HIDGetLongReport(bool first) { ReadLongReport(first); }

bool HIDGetContinuationReport() { return ReadLongReport(false); }

std::size_t HIDInputPayload() { return InputLength() > 1 ? InputLength() - 1 : 0; }

std::size_t HIDGatherLongAnswer(std::uint8_t* frame, std::size_t frameLength, std::size_t room) {
  const std::size_t payload = HIDInputPayload();
  if (payload == 0) return 0;
  std::size_t came = std::min(payload, frameLength);
  while (came < frameLength && HIDGetContinuationReport()) {
    if (came < room)
      std::memcpy(frame + came, Device().InputReport + 1, std::min(payload, room - came));
    came += std::min(payload, frameLength - came);
  }
  return came;
}

void HIDTransact() {
  HidState& hid = Device().hid;
  if (hid.gHidOpen == 0) hid.gHidOpen = HIDEnumerate() ? 1 : 0;
  if (hid.gHidOpen != 1) return;
  HIDWriteReport();
  HIDGetReport();
}

}  // namespace vantel
