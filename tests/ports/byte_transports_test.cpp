// The SAM commands on the transports of this program: the byte streams, HID and the network.
#include "sam_commands_fixture.h"

namespace vantel {

INSTANTIATE_TEST_SUITE_P(EveryTransport, SamCommands,
                         ::testing::Values(Via::kSerial, Via::kNetwork, Via::kHid, Via::kUsbDriver,
                                           Via::kUsbPipes),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

}  // namespace vantel
