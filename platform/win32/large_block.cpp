#include "platform/large_block.h"

#include <windows.h>

namespace platform {

void* AllocateLargeBlock(std::size_t size) {
  return VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

void FreeLargeBlock(void* block, std::size_t /*size*/) {
  if (block) VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace platform
