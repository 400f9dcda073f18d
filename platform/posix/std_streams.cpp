#include "platform/std_streams.h"

namespace platform {

void SetStreamBinary(std::FILE*) {}

}  // namespace platform
