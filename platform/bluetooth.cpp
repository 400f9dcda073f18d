#include "platform/bluetooth.h"

namespace platform {
namespace {

BluetoothProvider* gTestProvider = nullptr;

}  // namespace

BluetoothProvider& Bluetooth() { return gTestProvider ? *gTestProvider : SystemBluetoothProvider(); }

void SetBluetoothProvider(BluetoothProvider* provider) { gTestProvider = provider; }

}  // namespace platform
