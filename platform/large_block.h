#pragma once
// Half-megabyte buffers that the service's connections hold only while they answer: taken
// from the system and given back to it (the C runtime's heap may keep freed blocks of that
// size in each of its arenas, so idle connections would hold the memory all the same), but
// a few freed blocks of each size are kept for the next request, since mapping and unmapping
// them for every request costs far more than the request itself.
#include <cstddef>
#include <memory>

namespace platform {

// Zeroed; null when the memory cannot be had.
void* AllocateLargeBlock(std::size_t size);
// `size` as allocated; null does nothing.
void FreeLargeBlock(void* block, std::size_t size);

struct LargeBlockRelease {
  std::size_t size = 0;
  // Keeps the block for a later MakeLargeBlock of its size, or gives it back to the system.
  void operator()(char* block) const;
};
using LargeBlock = std::unique_ptr<char[], LargeBlockRelease>;

// A block of `size` bytes, one kept from before (holding what it held) or a new zeroed one;
// empty when the memory cannot be had.
LargeBlock MakeLargeBlock(std::size_t size);

}  // namespace platform
