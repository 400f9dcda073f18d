// The byte streams, HID and the network. Not the pipes: their reader takes answers of 8
// bytes or more, and the plain answer 56 FF x has 7.
#include "card_fixture.h"

namespace vantel {

std::vector<Via> CardTransports() { return {Via::kSerial, Via::kNetwork, Via::kHid, Via::kUsbDriver}; }

}  // namespace vantel
