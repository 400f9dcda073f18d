// The identity-card reads on every transport but PC/SC, which has a program of its own:
// once the library has asked for PC/SC readers, a PC/SC service started later is not seen.
#include "id_card_fixture.h"

namespace vantel {

INSTANTIATE_TEST_SUITE_P(EveryTransport, IdCardReads,
                         ::testing::Values(Via::kSerial, Via::kNetwork, Via::kHid, Via::kUsbDriver,
                                           Via::kUsbPipes),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

}  // namespace vantel
