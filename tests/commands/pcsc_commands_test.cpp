#include "commands_fixture.h"

namespace vantel {

INSTANTIATE_TEST_SUITE_P(Pcsc, ReaderCommands, ::testing::Values(Via::kPcsc),
                         [](const auto& info) { return vantel_test::ViaName(info.param); });

}  // namespace vantel
