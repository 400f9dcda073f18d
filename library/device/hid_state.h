#pragma once
// The HID reader's part of the device state.
#include <cstdint>
#include <string>

namespace vantel {

constexpr int kHidTableSize = 16;

struct HidTableEntry {
  void* device = nullptr;
  std::string path;
};

struct HidState {
  HidTableEntry gHidDevices[kHidTableSize];
  int gHidCount = 0;
  void* gHidDevice = nullptr;
  void* gHidOutputHandle = nullptr;
  void* gHidInputHandle = nullptr;
  std::uint16_t inputReportLength = 0;
  std::uint16_t outputReportLength = 0;
  std::uint8_t gHidOpen = 0;
  std::uint8_t gAcceptEmptyReport = 0;
};

}  // namespace vantel
