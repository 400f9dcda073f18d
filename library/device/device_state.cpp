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

std::int32_t SamAnswerWait() {
  const ReaderSettings& settings = Settings();
  return settings.gComTimeout > 0 ? settings.gComTimeout : settings.gAnswerWait;
}

}  // namespace vantel
