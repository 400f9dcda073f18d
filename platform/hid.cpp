#include "platform/hid.h"

namespace platform {
namespace {

HidProvider* gTestProvider = nullptr;

}  // namespace

HidProvider& Hid() { return gTestProvider ? *gTestProvider : SystemHidProvider(); }

void SetHidProvider(HidProvider* provider) { gTestProvider = provider; }

}  // namespace platform
