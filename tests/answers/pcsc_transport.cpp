// A PC/SC reader: in a program of its own, because the virtual card stays attached.
#include "answer_fixture.h"

namespace vantel {

std::vector<Via> AnswerTransports() { return {Via::kPcsc}; }

}  // namespace vantel
