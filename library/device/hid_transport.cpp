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

void ReadWithReportCalls(platform::HidDevice* input, bool first) {
  DeviceState& device = Device();
  bool lastSucceeded = false;
  for (int attempt = 0; input && attempt < kGetReportTries; ++attempt) {
    platform::SleepMs(kGetReportPauseMs);
    lastSucceeded = input->GetInputReport(device.InputReport, InputLength());
    if (lastSucceeded && (!first || device.hid.gAcceptEmptyReport == 1 ||
                          !IsAllZero(device.InputReport, InputLength())))
      return;
  }
  if (!lastSucceeded) device.hid.gHidOpen = 0;
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

void ReadOverlapped(platform::HidDevice* input) {
  DeviceState& device = Device();
  if (input && input->ReadReport(device.InputReport, InputLength(), kReadLimitMs) ==
                   platform::HidTransfer::kDone)
    return;
  HIDCloseHandles();
  device.hid.gHidOpen = 0;
}

}  // namespace

bool HIDEnumerate() {
  HidState& hid = Device().hid;
  const std::string selectedPath = SelectedReaderPath(hid);
  DropSelectedReader(hid);
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
}

void HIDWriteReport() {
  DeviceState& device = Device();
  device.OutputReport[0] = 0;
  platform::HidDevice* output = device.hid.gHidOutputHandle.get();
  const bool written = UsesReportCalls() ? WriteWithReportCalls(output) : WriteOverlapped(output);
  if (!written) device.hid.gHidOpen = 0;
}

void HIDGetReport() { HIDGetLongReport(true); }

void HIDGetLongReport(bool first) {
  DeviceState& device = Device();
  std::memset(device.InputReport, 0, sizeof device.InputReport);
  platform::HidDevice* input = device.hid.gHidInputHandle.get();
  if (UsesReportCalls())
    ReadWithReportCalls(input, first);
  else
    ReadOverlapped(input);
}

bool HIDGetContinuationReport() {
  HIDGetLongReport(false);
  return !IsAllZero(Device().InputReport, InputLength());
}

void HIDTransact() {
  HidState& hid = Device().hid;
  if (hid.gHidOpen == 0) hid.gHidOpen = HIDEnumerate() ? 1 : 0;
  if (hid.gHidOpen != 1) return;
  HIDWriteReport();
  HIDGetReport();
}

}  // namespace vantel
