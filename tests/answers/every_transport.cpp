// The HID double and the USB driver double; the serial and network readers are not reached
// through port 1001.
#include "answer_fixture.h"

namespace vantel {

std::vector<Via> AnswerTransports() { return {Via::kHid, Via::kUsbDriver}; }

}  // namespace vantel
