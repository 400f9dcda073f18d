#include "platform/std_streams.h"

#include <fcntl.h>
#include <io.h>

namespace platform {

void SetStreamBinary(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

}  // namespace platform
