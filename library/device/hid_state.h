#pragma once
// The HID reader's part of the device state.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/hid.h"

namespace vantel {

constexpr int kHidTableSize = 16;

// A matching reader: its query handle and its device path.
struct HidTableEntry {
  std::unique_ptr<platform::HidDevice> device;
  std::string path;
};

struct HidState {
  HidTableEntry gHidDevices[kHidTableSize];
  int gHidCount = 0;
  // The selected reader's query handle (owned by its table entry) and its overlapped
  // write and read handles; the backends keep the transfer events with them.
  platform::HidDevice* gHidDevice = nullptr;
  std::unique_ptr<platform::HidDevice> gHidOutputHandle;
  std::unique_ptr<platform::HidDevice> gHidInputHandle;
  // The reader chosen among several whose handles a failed read closed: the next enumeration
  // chooses it again while it is there, as it does a reader still selected.
  std::string chosenPath;
  std::uint16_t inputReportLength = 0;
  std::uint16_t outputReportLength = 0;
  std::uint8_t gHidOpen = 0;
  std::uint8_t gAcceptEmptyReport = 0;
};

}  // namespace vantel
