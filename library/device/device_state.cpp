#include "library/device/device_state.h"

namespace vantel {

DeviceState& Device() {
  static DeviceState state;
  return state;
}

ReaderSettings& Settings() {
  static ReaderSettings settings;
  return settings;
}

}  // namespace vantel
