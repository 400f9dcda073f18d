#pragma once
// The standard input and output streams as byte streams.
#include <cstdio>

namespace platform {

// Switches `stream` (standard input or output) to binary mode, so that no line-end or
// end-of-file byte is translated. Linux streams are always binary: nothing to do there.
void SetStreamBinary(std::FILE* stream);

}  // namespace platform
