// The identity-card reads through a PC/SC reader.
#include "id_card_fixture.h"

namespace vantel {

INSTANTIATE_TEST_SUITE_P(Pcsc, IdCardReads, ::testing::Values(Via::kPcsc),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

}  // namespace vantel
