// A PC/SC reader: in a program of its own, because the virtual card stays attached.
#include "card_fixture.h"

namespace vantel {

std::vector<Via> CardTransports() { return {Via::kPcsc}; }

}  // namespace vantel
