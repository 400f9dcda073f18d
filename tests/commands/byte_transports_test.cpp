#include "commands_fixture.h"

namespace vantel {

INSTANTIATE_TEST_SUITE_P(EveryTransport, ReaderCommands,
                         ::testing::Values(Via::kSerial, Via::kNetwork, Via::kHid, Via::kUsbDriver,
                                           Via::kUsbPipes),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

}  // namespace vantel
