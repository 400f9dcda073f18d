#include "platform/large_block.h"

#include <sys/mman.h>

namespace platform {

void* AllocateLargeBlock(std::size_t size) {
  void* block = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return block == MAP_FAILED ? nullptr : block;
}

void FreeLargeBlock(void* block, std::size_t size) {
  if (block) munmap(block, size);
}

}  // namespace platform
